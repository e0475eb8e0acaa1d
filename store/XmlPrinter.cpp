#include "XmlPrinter.h"

#include <cstdio>

namespace {

const char kLineBreak[] = "\r\n";
const char kIndent[] = "    ";

}  // namespace

std::string XmlPrinter::print(const TiXmlDocument& document) {
    XmlPrinter printer;
    document.Accept(&printer);
    return printer.m_out;
}

void XmlPrinter::escape(const std::string& text, std::string* out) {
    out->reserve(out->size() + text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '&':
                *out += "&amp;";
                break;
            case '<':
                *out += "&lt;";
                break;
            case '>':
                *out += "&gt;";
                break;
            case '"':
                *out += "&quot;";
                break;
            case '\'':
                *out += "&apos;";
                break;
            default:
                if (c < 32) {
                    char buf[8];
                    std::snprintf(buf, sizeof(buf), "&#x%02X;", unsigned(c));
                    *out += buf;
                } else {
                    *out += ch;
                }
        }
    }
}

bool XmlPrinter::VisitEnter(const TiXmlElement& element, const TiXmlAttribute* firstAttribute) {
    indent();
    m_out += '<';
    m_out += element.ValueStr();
    for (const TiXmlAttribute* a = firstAttribute; a; a = a->Next()) {
        m_out += ' ';
        escape(a->NameTStr(), &m_out);
        // TinyXML switches to single quotes when the value holds a double quote.
        const char quote = a->ValueStr().find('"') == std::string::npos ? '"' : '\'';
        m_out += '=';
        m_out += quote;
        escape(a->ValueStr(), &m_out);
        m_out += quote;
    }
    const TiXmlNode* first = element.FirstChild();
    if (!first) {
        m_out += " />";
        lineBreak();
    } else {
        m_out += '>';
        if (first->ToText() && element.LastChild() == first && !first->ToText()->CDATA()) {
            m_inlineText = true;
        } else {
            lineBreak();
        }
    }
    ++m_depth;
    return true;
}

bool XmlPrinter::VisitExit(const TiXmlElement& element) {
    --m_depth;
    if (!element.FirstChild()) return true;
    if (m_inlineText) {
        m_inlineText = false;
    } else {
        indent();
    }
    m_out += "</";
    m_out += element.ValueStr();
    m_out += '>';
    lineBreak();
    return true;
}

bool XmlPrinter::Visit(const TiXmlDeclaration& declaration) {
    indent();
    m_out += "<?xml ";
    if (*declaration.Version()) m_out += std::string("version=\"") + declaration.Version() + "\" ";
    if (*declaration.Encoding()) {
        m_out += std::string("encoding=\"") + declaration.Encoding() + "\" ";
    }
    if (*declaration.Standalone()) {
        m_out += std::string("standalone=\"") + declaration.Standalone() + "\" ";
    }
    m_out += "?>";
    lineBreak();
    return true;
}

bool XmlPrinter::Visit(const TiXmlText& text) {
    if (text.CDATA()) {
        indent();
        m_out += "<![CDATA[";
        m_out += text.ValueStr();
        m_out += "]]>";
        lineBreak();
    } else if (m_inlineText) {
        escape(text.ValueStr(), &m_out);
    } else {
        indent();
        escape(text.ValueStr(), &m_out);
        lineBreak();
    }
    return true;
}

bool XmlPrinter::Visit(const TiXmlComment& comment) {
    indent();
    m_out += "<!--";
    m_out += comment.ValueStr();
    m_out += "-->";
    lineBreak();
    return true;
}

bool XmlPrinter::Visit(const TiXmlUnknown& unknown) {
    indent();
    m_out += '<';
    m_out += unknown.ValueStr();
    m_out += '>';
    lineBreak();
    return true;
}

void XmlPrinter::indent() {
    for (int i = 0; i < m_depth; ++i) m_out += kIndent;
}

void XmlPrinter::lineBreak() { m_out += kLineBreak; }
