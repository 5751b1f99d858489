#pragma once
// The file-system list controls: the drive box (TDriveComboBox), the directory list
// (TDirectoryListBox) and the file list (TFileListBox). Linked through DirList and FileList they
// follow one another: choosing a drive moves the directory list to that drive's current
// directory, and every change of directory makes the file list read its entries again.
//
// Paths are drive-letter paths ("C:\Fotos\mar.jpg"). The controls move the process's current
// directory as they go and hold the directory as the platform reports it back.

#include "filelists/directory_list_box.h"
#include "filelists/drive_combo_box.h"
#include "filelists/file_list_box.h"

#include <string>

// The file mask of every extension the picture format registry knows ("*.webp;*.png;...;*.wmf"),
// for a file list that shows pictures; empty when the registry has none.
std::string RegisteredPictureMask();

// Registers the three classes for window designs; called once at start-up.
void RegisterFileListClasses();
