#pragma once

#include "htmltokenizer.h"

#include <QByteArray>
#include <vector>

namespace exporting {

// The part of a browser's tree construction that changes how the rest of the page tokenizes,
// past the head: elements whose text is raw, SVG and MathML content, templates and select
// lists. It keeps no tree, only the open elements that matter for those.
class TreeFollower
{
public:
    explicit TreeFollower(HtmlTokenizer& tokenizer) : tokenizer_(tokenizer) {}

    // Takes a start tag; returns whether the body's rules read it as an element of the page
    // itself, outside templates and select lists, where <body> and <frameset> take effect.
    bool startTag(const ScannedTag& tag);
    void endTag(const ScannedTag& tag);
    // The templates open around the current point.
    int templateDepth() const { return templateDepth_; }
    bool inSelect() const { return inSelect_; }

private:
    struct Foreign
    {
        QByteArray name;
        bool svg = false;
        bool integrationPoint = false; // its content is read as HTML
        int htmlOpen = 0;              // HTML elements open inside an integration point
    };
    bool htmlStartTag(const ScannedTag& tag);
    bool selectStartTag(const ScannedTag& tag);
    void updateCdata();

    HtmlTokenizer& tokenizer_;
    std::vector<Foreign> foreign_; // open SVG and MathML elements, innermost last
    int templateDepth_ = 0;
    int tableDepth_ = 0;
    bool inSelect_ = false;
    bool selectInTable_ = false;
};

} // namespace exporting
