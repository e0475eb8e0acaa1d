#pragma once
// Prints a TinyXML document in TinyXML's usual layout (one node per line, four spaces per level,
// `<name attr="value" />`), with CR LF line ends as the data files have always had.
//
// It differs from TiXmlPrinter in one point: TinyXML passes "&#x" in a value through unescaped,
// so a title such as "&#x41;" would come back as "A". Here every '&' is escaped, which keeps
// every value exactly as it was.

#include <tinyxml.h>

#include <string>

class XmlPrinter : public TiXmlVisitor {
public:
    static std::string print(const TiXmlDocument& document);

    // TinyXML's escaping of attribute values and text, without the "&#x" pass-through.
    static void escape(const std::string& text, std::string* out);

    bool VisitEnter(const TiXmlElement& element, const TiXmlAttribute* firstAttribute) override;
    bool VisitExit(const TiXmlElement& element) override;
    bool Visit(const TiXmlDeclaration& declaration) override;
    bool Visit(const TiXmlText& text) override;
    bool Visit(const TiXmlComment& comment) override;
    bool Visit(const TiXmlUnknown& unknown) override;

private:
    void indent();
    void lineBreak();

    std::string m_out;
    int m_depth = 0;
    bool m_inlineText = false;
};
