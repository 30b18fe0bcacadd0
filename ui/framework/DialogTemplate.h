#pragma once
// Builds a dialog template in memory (DLGTEMPLATE and its items, in dialog units), for dialogs that are made at run
// time rather than from the resource script.

#include <windows.h>

#include <string>
#include <vector>

namespace ui {

class CDialogTemplate {
public:
    // A dialog with style, extended style, position and size in dialog units, caption, and font (DS_SETFONT is
    // added when a font is named).
    CDialogTemplate(DWORD style, DWORD extendedStyle, short x, short y, short cx, short cy, const std::wstring& caption,
                    const std::wstring& fontName = L"MS Shell Dlg", WORD fontSize = 8);

    // Adds a control of a predefined class (0x0080 button, 0x0081 edit, 0x0082 static, 0x0083 list box,
    // 0x0084 scroll bar, 0x0085 combo box) or of a named class.
    void AddControl(WORD predefinedClass, DWORD style, DWORD extendedStyle, short x, short y, short cx, short cy,
                    WORD id, const std::wstring& text);
    void AddControl(const std::wstring& className, DWORD style, DWORD extendedStyle, short x, short y, short cx,
                    short cy, WORD id, const std::wstring& text);

    // The template, valid until the object changes or goes.
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void AddItemHeader(DWORD style, DWORD extendedStyle, short x, short y, short cx, short cy, WORD id);
    void AddString(const std::wstring& text);
    void AlignToDword();

    std::vector<WORD> words_;
};

} // namespace ui
