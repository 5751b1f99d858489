// Window designs from anywhere: read them into a form with the handlers of the program's
// kind, with every class of the framework, the image control (whose pictures come in the
// design's binary data) and the settings components registered. Whatever reads must free
// cleanly; a design that fails leaves a form that can still be freed.

#include "framework/application.h"
#include "framework/design_reader.h"
#include "framework/exceptions.h"
#include "framework/forms.h"
#include "picture/formats.h"
#include "picture/image.h"
#include "settings/form_storage.h"

#include <QApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class TFuzzForm : public TForm {
public:
    TFuzzForm() : TForm(nullptr)
    {
        RegisterHandler("FormClose", this, &TFuzzForm::FormClose);
        RegisterHandler("FormCreate", this, &TFuzzForm::Notify);
        RegisterHandler("Click", this, &TFuzzForm::Notify);
    }
    void FormClose(TObject*, TCloseAction& action) { action = caFree; }
    void Notify(TObject*) {}
};

void startOnce()
{
    static const bool started = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "design_fuzzer";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);  // lives as long as the process
        new TApplication(nullptr);
        RegisterFrameworkClasses();
        RegisterPictureFormats();
        RegisterImageClass();
        RegisterSettingsClasses();
        return true;
    }();
    (void)started;
}

} // namespace

// Forms measure their text: the font system keeps caches for the life of the process that the
// leak checker cannot see through.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    startOnce();
    auto* form = new TFuzzForm;
    try {
        ReadDesignText(*form, std::string(reinterpret_cast<const char*>(data), size),
                       [form](std::string_view name) { return form->FindHandler(name); }, "fuzz");
    } catch (const Exception&) {
    }
    delete form;
    return 0;
}
