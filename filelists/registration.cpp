#include "filelists/filelists.h"

#include "framework/class_registry.h"

void RegisterFileListClasses()
{
    RegisterClasses({TDriveComboBox::StaticClass(), TDirectoryListBox::StaticClass(),
                     TFileListBox::StaticClass()});
}
