#pragma once

#include "htmltokenizer.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace exporting {

// The part of a browser's tree construction that changes how the rest of the page tokenizes,
// past the head: elements whose text is raw, SVG and MathML content, templates, tables and
// select lists. It keeps the stack of open elements, by name only, and no tree.
class TreeFollower
{
public:
    explicit TreeFollower(HtmlTokenizer& tokenizer) : tokenizer_(tokenizer) {}

    // Takes a start tag; returns whether the body's rules read it as an element of the page
    // itself, outside templates, select lists and SVG or MathML content, where <body> and
    // <frameset> take effect.
    bool startTag(const ScannedTag& tag);
    void endTag(const ScannedTag& tag);
    // The templates open around the current point.
    int templateDepth() const { return templateDepth_; }

private:
    enum class Space : std::uint8_t { Html, Svg, MathMl };
    // How a template's content reads: set by its first start tag.
    enum class Mode : std::uint8_t {
        Body,
        Template,
        Table,
        TableBody,
        Row,
        Cell,
        Caption,
        ColumnGroup,
        Select,
        SelectInTable
    };
    struct Element
    {
        QByteArray name;
        Space space = Space::Html;
        bool rawText = false;         // its text runs to its end tag
        bool htmlIntegration = false; // SVG or MathML whose content is read as HTML
        Mode templateMode = Mode::Template;
    };
    enum class Scope { Plain, Button, List, Table, Select };

    Mode mode() const;
    bool foreignStartTag(const ScannedTag& tag);
    bool htmlStartTag(const ScannedTag& tag, Mode mode);
    bool bodyStartTag(const ScannedTag& tag);
    bool tableStartTag(const ScannedTag& tag, Mode mode);
    bool selectStartTag(const ScannedTag& tag, Mode mode);
    bool headStartTag(const ScannedTag& tag);
    void htmlEndTag(const QByteArray& name, Mode mode);
    void bodyEndTag(const QByteArray& name);
    bool tableEndTag(const QByteArray& name, Mode mode);
    void anyOtherEndTag(const QByteArray& name);

    void push(const QByteArray& name, Space space = Space::Html);
    void pushText(const QByteArray& name, HtmlTokenizer::TextModel model);
    void popTo(size_t index);
    // The innermost open HTML element named `name` within `scope`; -1 when none.
    int inScope(const QByteArray& name, Scope scope) const;
    static bool bounds(const Element& e, Scope scope);
    bool closeInScope(const QByteArray& name, Scope scope);
    void closeParagraph();
    void clearTo(std::initializer_list<const char*> names);
    bool currentIs(const char* name) const;
    void updateCdata();

    HtmlTokenizer& tokenizer_;
    std::vector<Element> open_; // innermost last; the page's own html, head and body left out
    int templateDepth_ = 0;
};

} // namespace exporting
