#include "ui/framework/DialogTemplate.h"

namespace ui {

namespace {

void PutDword(std::vector<WORD>& words, DWORD value) {
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
}

} // namespace

CDialogTemplate::CDialogTemplate(DWORD style, DWORD extendedStyle, short x, short y, short cx, short cy,
                                 const std::wstring& caption, const std::wstring& fontName, WORD fontSize) {
    if (!fontName.empty())
        style |= DS_SETFONT;
    PutDword(words_, style);
    PutDword(words_, extendedStyle);
    words_.push_back(0); // number of items, counted as they are added
    words_.push_back(static_cast<WORD>(x));
    words_.push_back(static_cast<WORD>(y));
    words_.push_back(static_cast<WORD>(cx));
    words_.push_back(static_cast<WORD>(cy));
    words_.push_back(0); // no menu
    words_.push_back(0); // the predefined dialog class
    AddString(caption);
    if (!fontName.empty()) {
        words_.push_back(fontSize);
        AddString(fontName);
    }
}

void CDialogTemplate::AddItemHeader(DWORD style, DWORD extendedStyle, short x, short y, short cx, short cy, WORD id) {
    AlignToDword();
    PutDword(words_, style | WS_CHILD);
    PutDword(words_, extendedStyle);
    words_.push_back(static_cast<WORD>(x));
    words_.push_back(static_cast<WORD>(y));
    words_.push_back(static_cast<WORD>(cx));
    words_.push_back(static_cast<WORD>(cy));
    words_.push_back(id);
    ++words_[4];
}

void CDialogTemplate::AddControl(WORD predefinedClass, DWORD style, DWORD extendedStyle, short x, short y, short cx,
                                 short cy, WORD id, const std::wstring& text) {
    AddItemHeader(style, extendedStyle, x, y, cx, cy, id);
    words_.push_back(0xFFFF);
    words_.push_back(predefinedClass);
    AddString(text);
    words_.push_back(0); // no creation data
}

void CDialogTemplate::AddControl(const std::wstring& className, DWORD style, DWORD extendedStyle, short x, short y,
                                 short cx, short cy, WORD id, const std::wstring& text) {
    AddItemHeader(style, extendedStyle, x, y, cx, cy, id);
    AddString(className);
    AddString(text);
    words_.push_back(0);
}

void CDialogTemplate::AddString(const std::wstring& text) {
    for (wchar_t c : text)
        words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
}

void CDialogTemplate::AlignToDword() {
    // The vector's storage is aligned for WORD only; templates are copied by the system, which asks only that
    // items start on a DWORD boundary relative to the start.
    if (words_.size() % 2 != 0)
        words_.push_back(0);
}

} // namespace ui
