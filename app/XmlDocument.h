#pragma once
// The XML document of the preferences file: the few operations the preferences need, on tinyxml2, whose types
// stay inside XmlDocument.cpp.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One element below the root: its text and its attributes in document order.
struct XmlElementData {
    std::string text; // empty when the element has no text
    std::vector<std::pair<std::string, std::string>> attributes;

    // The attribute's value; none when the element has no such attribute.
    const std::string* FindAttribute(std::string_view name) const;
};

class XmlDocument {
public:
    // An empty document that processes entities and keeps white space.
    XmlDocument();
    ~XmlDocument();
    XmlDocument(XmlDocument&&) noexcept;
    XmlDocument& operator=(XmlDocument&&) noexcept;

    // Replaces the document with the parsed text. False when the text is not a well-formed document (an empty
    // text included); the document is then empty. Stray text beside the root, which tinyxml2 accepts, is dropped.
    bool Parse(std::string_view text);

    // Whether the document has an element at its top; the first one is the root, whatever its name.
    bool HasRoot() const;
    std::string RootName() const;

    // The root's child elements of that name, in document order; empty without a root.
    std::vector<XmlElementData> GetRootChildren(std::string_view name) const;
    // Deletes the root's child elements of that name; the other children stay.
    void RemoveRootChildren(std::string_view name);
    // Appends an element of that name, with the text and the attributes in their order, as the root's last child.
    // Nothing happens without a root.
    void AppendRootChild(std::string_view name, const XmlElementData& element);

    // The whole document as text, indented with one tab per nesting level, each element on its own line.
    std::string Print() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
