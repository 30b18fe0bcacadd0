#include "app/XmlDocument.h"

#include <tinyxml2.h>

namespace {

// The preferences file is indented with tabs, one per nesting level, instead of tinyxml2's four spaces.
class XMLPrinterTabs : public tinyxml2::XMLPrinter {
public:
    XMLPrinterTabs() : XMLPrinter(nullptr, false) {}

protected:
    void PrintSpace(int depth) override {
        for (int i = 0; i < depth; ++i)
            Write("\t");
    }

    // A carriage return can only reach the printer inside a value (a path read from "&#13;", or a folder name that
    // holds one): the parser turns every raw one into a line feed, so printed raw it would come back as another
    // path. The printer's own markup never holds one.
    void Write(const char* data, size_t size) override {
        size_t start = 0;
        for (size_t i = 0; i < size; ++i) {
            if (data[i] != '\r')
                continue;
            XMLPrinter::Write(data + start, i - start);
            XMLPrinter::Write("&#13;", 5);
            start = i + 1;
        }
        XMLPrinter::Write(data + start, size - start);
    }
    using XMLPrinter::Write;
};

} // namespace

struct XmlDocument::Impl {
    tinyxml2::XMLDocument document{true, tinyxml2::PRESERVE_WHITESPACE};

    tinyxml2::XMLElement* Root() { return document.FirstChildElement(); }
    const tinyxml2::XMLElement* Root() const { return document.FirstChildElement(); }
};

const std::string* XmlElementData::FindAttribute(std::string_view name) const {
    for (const auto& attribute : attributes)
        if (attribute.first == name)
            return &attribute.second;
    return nullptr;
}

XmlDocument::XmlDocument() : impl_(std::make_unique<Impl>()) {}
XmlDocument::~XmlDocument() = default;
XmlDocument::XmlDocument(XmlDocument&&) noexcept = default;
XmlDocument& XmlDocument::operator=(XmlDocument&&) noexcept = default;

bool XmlDocument::Parse(std::string_view text) {
    if (text.empty()) {
        impl_->document.Clear();
        return false;
    }
    if (impl_->document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS)
        return false;
    // tinyxml2 accepts character data beside the root, which XML does not. Printed after the root it would end the
    // file inside a text, which cannot be read back; printed before it, it gains a line break at every save.
    tinyxml2::XMLNode* node = impl_->document.FirstChild();
    while (node != nullptr) {
        tinyxml2::XMLNode* next = node->NextSibling();
        if (node->ToText() != nullptr)
            impl_->document.DeleteNode(node);
        node = next;
    }
    return true;
}

bool XmlDocument::HasRoot() const {
    return impl_->Root() != nullptr;
}

std::string XmlDocument::RootName() const {
    const tinyxml2::XMLElement* root = impl_->Root();
    return root != nullptr ? root->Name() : std::string();
}

std::vector<XmlElementData> XmlDocument::GetRootChildren(std::string_view name) const {
    std::vector<XmlElementData> children;
    const tinyxml2::XMLElement* root = impl_->Root();
    if (root == nullptr)
        return children;
    const std::string elementName(name);
    for (const tinyxml2::XMLElement* child = root->FirstChildElement(elementName.c_str()); child != nullptr;
         child = child->NextSiblingElement(elementName.c_str())) {
        XmlElementData data;
        if (const char* text = child->GetText())
            data.text = text;
        for (const tinyxml2::XMLAttribute* attribute = child->FirstAttribute(); attribute != nullptr;
             attribute = attribute->Next())
            data.attributes.emplace_back(attribute->Name(), attribute->Value());
        children.push_back(std::move(data));
    }
    return children;
}

void XmlDocument::RemoveRootChildren(std::string_view name) {
    tinyxml2::XMLElement* root = impl_->Root();
    if (root == nullptr)
        return;
    const std::string elementName(name);
    tinyxml2::XMLElement* child = root->FirstChildElement(elementName.c_str());
    while (child != nullptr) {
        tinyxml2::XMLElement* next = child->NextSiblingElement(elementName.c_str());
        root->DeleteChild(child);
        child = next;
    }
}

void XmlDocument::AppendRootChild(std::string_view name, const XmlElementData& element) {
    tinyxml2::XMLElement* root = impl_->Root();
    if (root == nullptr)
        return;
    tinyxml2::XMLElement* child = impl_->document.NewElement(std::string(name).c_str());
    root->InsertEndChild(child);
    child->SetText(element.text.c_str());
    for (const auto& [attributeName, value] : element.attributes)
        child->SetAttribute(attributeName.c_str(), value.c_str());
}

std::string XmlDocument::Print() const {
    XMLPrinterTabs printer;
    impl_->document.Print(&printer);
    return std::string(printer.CStr(), static_cast<size_t>(printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0));
}
