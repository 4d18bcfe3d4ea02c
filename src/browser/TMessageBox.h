// Every message box of the program goes through here: owned by the main window, titled
// "ヴェルモラ" and kept above all other windows. Each toolkit shows its own; tests answer
// them without a modal loop.
#pragma once

#include <string>

namespace velmora {

class TMessageBox {
public:
    enum Icon { Information, Question, Warning, Critical };
    // The buttons, combined with |; Show returns the one pressed.
    enum Button : unsigned { NoButton = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };

    static constexpr const char16_t* kTitle = u"ヴェルモラ";

    virtual ~TMessageBox() = default;
    // Shows `text` (lines broken with CR LF or a lone CR) and waits for the answer.
    virtual Button Show(const std::u16string& text, Icon icon = Information,
                        unsigned buttons = Ok) = 0;

    // The information box of a notice.
    void Info(const std::u16string& text) { Show(text, Information, Ok); }
    // The standard error box for failures the operation itself does not report.
    void Error(const std::u16string& text) { Show(text, Critical, Ok); }
};

}  // namespace velmora
