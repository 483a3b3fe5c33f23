#include "platform/win32/DialogTemplateBuilder.h"

#include <utility>

#include "platform/DialogTemplate.h"
#include "platform/win32/WideText.h"

namespace tw {
namespace {

// The predefined window classes, by the atoms a template may name them with.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

class TemplateWriter {
public:
    void Word(WORD word) { words.push_back(word); }
    void Dword(DWORD dword)
    {
        Word(LOWORD(dword));
        Word(HIWORD(dword));
    }
    void Text(std::string_view text)
    {
        for (const wchar_t unit : Wide(text)) {
            Word(static_cast<WORD>(unit));
        }
        Word(0);
    }
    void AlignToDword()
    {
        if (words.size() % 2 != 0) {
            Word(0);
        }
    }
    std::vector<WORD> words;
};

DWORD DialogStyleOf(unsigned style)
{
    DWORD native = WS_POPUP | DS_SETFONT;
    if (style & WithCaption) {
        native |= WS_CAPTION;
    }
    if (style & WithSystemMenu) {
        native |= WS_SYSMENU;
    }
    if (style & ModalFrame) {
        native |= DS_MODALFRAME;
    }
    if (style & ThinBorder) {
        native |= WS_BORDER;
    }
    return native;
}

struct NativeControl {
    DWORD style;
    WORD windowClass;
};

NativeControl NativeControlOf(const ControlTemplate& control)
{
    const unsigned style = control.style;
    switch (control.kind) {
    case ControlKind::Label:
        return {static_cast<DWORD>(((style & Centred) ? SS_CENTER : SS_LEFT) | WS_GROUP), kStaticClass};
    case ControlKind::PushButton:
        return {static_cast<DWORD>((style & DefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), kButtonClass};
    case ControlKind::CheckBox:
        return {BS_AUTOCHECKBOX, kButtonClass};
    case ControlKind::RadioButton:
        return {BS_AUTORADIOBUTTON, kButtonClass};
    case ControlKind::EditBox:
        return {static_cast<DWORD>(ES_LEFT | ((style & ReadOnly) ? ES_READONLY : 0)
                                   | ((style & ScrollsHorizontally) ? ES_AUTOHSCROLL : 0)
                                   | ((style & Bordered) ? WS_BORDER : 0)),
                kEditClass};
    case ControlKind::EtchedLine:
        return {SS_ETCHEDHORZ | WS_GROUP, kStaticClass};
    case ControlKind::Icon:
        // The control takes the icon's own size, whatever the template says.
        return {SS_ICON | WS_GROUP, kStaticClass};
    }
    return {0, kStaticClass};
}

} // namespace

std::vector<WORD> BuildDialogTemplate(const DialogTemplate& dialogTemplate)
{
    TemplateWriter out;
    out.Dword(DialogStyleOf(dialogTemplate.style));
    out.Dword(0); // extended style
    out.Word(static_cast<WORD>(dialogTemplate.controls.size()));
    for (const int value : {0, 0, dialogTemplate.width, dialogTemplate.height}) {
        out.Word(static_cast<WORD>(value));
    }
    out.Word(0); // no menu
    out.Word(0); // the dialog class
    out.Text(dialogTemplate.title);
    out.Word(static_cast<WORD>(dialogTemplate.fontPoints));
    out.Text(dialogTemplate.fontName);

    bool inRadioGroup = false;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        NativeControl native = NativeControlOf(control);
        const bool radio = control.kind == ControlKind::RadioButton;
        // A group runs up to the next control that starts one; any other kind
        // of control after the radio buttons ends theirs.
        if ((radio && (control.style & GroupStart)) || (!radio && inRadioGroup)) {
            native.style |= WS_GROUP;
        }
        inRadioGroup = radio;
        if (control.style & TabStop) {
            native.style |= WS_TABSTOP;
        }
        out.AlignToDword();
        out.Dword(native.style | WS_CHILD | WS_VISIBLE);
        out.Dword(0);
        for (const int value : {control.x, control.y, control.width, control.height}) {
            out.Word(static_cast<WORD>(value));
        }
        out.Word(static_cast<WORD>(control.id)); // -1 becomes 0xFFFF, the id of items never reached
        out.Word(0xFFFF);
        out.Word(native.windowClass);
        if (control.kind == ControlKind::Icon) {
            out.Word(0xFFFF); // the icon by its resource number
            out.Word(static_cast<WORD>(control.icon));
        } else {
            out.Text(control.text);
        }
        out.Word(0); // no creation data
    }
    return std::move(out.words);
}

} // namespace tw
