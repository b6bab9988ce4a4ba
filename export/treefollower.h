#pragma once

#include "htmltokenizer.h"
#include "quirksmode.h"

#include <QByteArray>
#include <QHash>
#include <cstdint>
#include <vector>

namespace exporting {

// The part of a browser's tree construction that changes how the rest of the page tokenizes,
// past the head: elements whose text is raw, SVG and MathML content, templates, tables and
// select lists. It keeps the stack of open elements, by name only, and no tree.
class TreeFollower
{
public:
    TreeFollower(HtmlTokenizer& tokenizer, QuirksMode quirksMode)
        : tokenizer_(tokenizer), quirks_(quirksMode == QuirksMode::Quirks)
    {
    }

    // Takes a start tag; returns whether the body's rules read it as an element of the page
    // itself, outside templates, select lists and SVG or MathML content, where <body> and
    // <frameset> take effect.
    bool startTag(const ScannedTag& tag);
    void endTag(const ScannedTag& tag);
    // Takes the text between tags.
    void text(const HtmlTokenizer::Token& token);
    // The templates open around the current point.
    int templateDepth() const { return templateDepth_; }

private:
    enum class Space : std::uint8_t { Html, Svg, MathMl };
    // The insertion mode: which rules read the next tag. A template's own mode is set by the
    // first start tag inside it.
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
        int id = 0;
        Space space = Space::Html;
        bool rawText = false;         // its text runs to its end tag
        bool htmlIntegration = false; // SVG or MathML whose content is read as HTML
        bool formPointer = false;     // the page's form, outside templates
        bool definesMode = false;     // a table part, a select list or a template
        bool known = true;            // gumbo knows its name
        bool special = false;         // end tags of other names stop at it
        int paragraph = -1;           // the <p> in button scope from here down; -1 when none
        bool listed = false;          // it entered the list of formatting elements
    };
    enum class Scope { Plain, Button, List, Table, Select };
    // An entry of the list of formatting elements (<b>, <a>...) that text reopens once they
    // closed early; a marker stands for a cell, caption, template or object.
    struct Formatting
    {
        int id = -1;
        QByteArray name;
        std::vector<ScannedAttribute> attributes;
        bool open = true; // its element is on the stack
        bool isMarker() const { return id < 0; }
    };

    Mode mode() const;
    Mode modeOf(const QByteArray& name) const;
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
    static bool specialName(const Element& e);
    void generateImpliedEndTags();
    int stackIndexOf(int id) const;
    int formattingIndexOf(int id) const;
    int findFormatting(const QByteArray& name) const;
    void addFormatting(const ScannedTag& tag);
    QByteArray signature(const Formatting& entry) const;
    void count(const Element& e, int delta);
    void dropFormatting(const QByteArray& name);
    void reconstructFormatting();
    void adoptionAgency(const QByteArray& name);
    bool closeInScope(const QByteArray& name, Scope scope);
    void closeParagraph();
    void clearTo(std::initializer_list<const char*> names);
    bool currentIs(const char* name) const;
    void updateCdata();

    HtmlTokenizer& tokenizer_;
    // A quirks-mode page leaves an open <p> open around a <table>.
    bool quirks_;
    std::vector<Element> open_;       // innermost last; the page's own html, head and body left out
    std::vector<Mode> modes_;         // those the open elements set, innermost last
    std::vector<Mode> templateModes_; // those of the open templates
    std::vector<Formatting> formatting_;
    QHash<QByteArray, int> counts_; // open HTML elements by name
    int unknownOpen_ = 0;           // open HTML elements gumbo does not know
    int nextId_ = 0;
    int templateDepth_ = 0;
    bool formPointer_ = false; // a form was opened outside templates and not closed by its tag
};

} // namespace exporting
