#include "platform/qt/QtKeyMap.h"

#include <QKeyEvent>

#include "platform/MenuTemplate.h"
#include "platform/VirtualKeys.h"

namespace tw {
namespace {

// Windows codes of keys the game never asks for by name; the handler still
// sees them, as a window procedure would.
constexpr int kBack = 0x08;
constexpr int kTab = 0x09;
constexpr int kClear = 0x0C;
constexpr int kReturn = 0x0D;
constexpr int kEscape = 0x1B;
constexpr int kPrior = 0x21;
constexpr int kNext = 0x22;
constexpr int kEnd = 0x23;
constexpr int kHome = 0x24;
constexpr int kInsert = 0x2D;
constexpr int kDelete = 0x2E;
constexpr int kMultiply = 0x6A;
constexpr int kAdd = 0x6B;
constexpr int kSubtract = 0x6D;
constexpr int kDecimal = 0x6E;
constexpr int kDivide = 0x6F;

struct KeyCode {
    int qtKey;
    int virtualKey;
};

// Keys whose code does not depend on the keypad: the keypad's own arrows and
// Home, End and the like (NumLock off) are the same keys as the grey ones.
constexpr KeyCode kKeys[] = {
    {Qt::Key_Space, vk::Space},     {Qt::Key_Left, vk::Left},       {Qt::Key_Up, vk::Up},
    {Qt::Key_Right, vk::Right},     {Qt::Key_Down, vk::Down},       {Qt::Key_Backspace, kBack},
    {Qt::Key_Tab, kTab},            {Qt::Key_Clear, kClear},        {Qt::Key_Return, kReturn},
    {Qt::Key_Enter, kReturn},       {Qt::Key_Escape, kEscape},      {Qt::Key_PageUp, kPrior},
    {Qt::Key_PageDown, kNext},      {Qt::Key_End, kEnd},            {Qt::Key_Home, kHome},
    {Qt::Key_Insert, kInsert},      {Qt::Key_Delete, kDelete},
};

// The keypad's digits and operators while NumLock is on.
constexpr KeyCode kKeypadKeys[] = {
    {Qt::Key_Asterisk, kMultiply}, {Qt::Key_Plus, kAdd},      {Qt::Key_Minus, kSubtract},
    {Qt::Key_Period, kDecimal},    {Qt::Key_Comma, kDecimal}, {Qt::Key_Slash, kDivide},
};

} // namespace

int VirtualKeyOf(const QKeyEvent& event)
{
    const int key = event.key();
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) {
        return vk::Numpad0 + (key - Qt::Key_0);
    }
    if (keypad) {
        for (const KeyCode& each : kKeypadKeys) {
            if (each.qtKey == key) {
                return each.virtualKey;
            }
        }
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        return key; // Qt's codes of these are their upper-case ASCII codes too
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return vk::F1 + (key - Qt::Key_F1);
    }
    for (const KeyCode& each : kKeys) {
        if (each.qtKey == key) {
            return each.virtualKey;
        }
    }
    return 0;
}

unsigned AcceleratorModifiersOf(Qt::KeyboardModifiers modifiers)
{
    return ((modifiers & Qt::ControlModifier) ? Control : 0u) | ((modifiers & Qt::AltModifier) ? Alt : 0u)
           | ((modifiers & Qt::ShiftModifier) ? Shift : 0u);
}

bool Matches(const AcceleratorTemplate& accelerator, const QKeyEvent& event)
{
    const unsigned modifiers = AcceleratorModifiersOf(event.modifiers());
    if (accelerator.character) {
        // A character is whatever the layout makes of the keys, Shift
        // included, so only Alt and Control count. Control with Alt is AltGr
        // typing a character, not an accelerator.
        if ((modifiers & (Alt | Control)) != (accelerator.modifiers & (Alt | Control))) {
            return false;
        }
        const QString text = event.text();
        return event.key() == accelerator.key || (text.size() == 1 && text.at(0).unicode() == accelerator.key);
    }
    return modifiers == accelerator.modifiers && VirtualKeyOf(event) == accelerator.key;
}

} // namespace tw
