// A language file of any content applied to a form and to the message table, as the program
// does at start and after a change of language; the language's name comes from the input too.
#include "FakePlatform.h"
#include "settings/Localisation.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

struct Program {
    fake::FakePlatform Platform;
    ui::TForm Form{nullptr};
    ui::TMemo* Memo = nullptr;
    ui::TImage* Image = nullptr;
    Program() {
        Form.SetName("AboutForm");
        ui::NewComponent<ui::TLabel>(Form, "LVersion")->SetCaption("Version");
        Memo = ui::NewComponent<ui::TMemo>(Form, "MThanks");
        Image = ui::NewComponent<ui::TImage>(Form, "ILogo");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Program program;
    FuzzedDataProvider input(data, size);
    const std::string otherName = input.ConsumeRandomLengthString(40);
    program.Platform.WriteFile("Program/Language/Fuzz 1033.ini",
                               input.ConsumeRemainingBytesAsString());
    program.Memo->SetText("Design");
    program.Image->SetHint("");
    settings::TranslateForm(program.Form, "Fuzz 1033");
    // Every memo line comes from a key with "=": never more lines than the file has of them.
    settings::LoadMessages("Fuzz 1033");
    if (settings::MsgTimeLeft.size() > 2047 || program.Memo->Lines().Count() > 16384)
        std::abort();
    settings::TranslateForm(program.Form, otherName);
    settings::LoadMessages(otherName);
    return 0;
}
