#include "treefollower.h"

#include <algorithm>
#include <cstring>

namespace exporting {

namespace {

// Start tags that close SVG and MathML content and are read as HTML.
bool breaksOutOfForeign(const ScannedTag& tag)
{
    if (tag.name == "font")
        return tag.attribute("color") || tag.attribute("face") || tag.attribute("size");
    return isOneOf(tag.name,
                   {"b",       "big",   "blockquote", "body",   "br",     "center", "code", "dd",
                    "div",     "dl",    "dt",         "em",     "embed",  "h1",     "h2",   "h3",
                    "h4",      "h5",    "h6",         "head",   "hr",     "i",      "img",  "li",
                    "listing", "menu",  "meta",       "nobr",   "ol",     "p",      "pre",  "ruby",
                    "s",       "small", "span",       "strong", "strike", "sub",    "sup",  "table",
                    "tt",      "u",     "ul",         "var"});
}

bool isHtmlIntegrationPoint(const ScannedTag& tag, bool svg)
{
    if (svg)
        return isOneOf(tag.name, {"foreignobject", "desc", "title"});
    // MathML's text elements; an annotation-xml holding HTML is rare enough to read as MathML.
    return isOneOf(tag.name, {"mi", "mo", "mn", "ms", "mtext"});
}

bool isVoid(const QByteArray& name)
{
    return isOneOf(name, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame",
                          "hr", "img", "image", "input", "keygen", "link", "meta", "param",
                          "source", "track", "wbr"});
}

} // namespace

bool TreeFollower::startTag(const ScannedTag& tag)
{
    if (!foreign_.empty() && foreign_.back().integrationPoint && !tag.selfClosing &&
        !isVoid(tag.name) && tag.name != "svg" && tag.name != "math") {
        ++foreign_.back().htmlOpen;
        updateCdata();
    }
    if (!foreign_.empty() && !foreign_.back().integrationPoint) {
        if (!breaksOutOfForeign(tag)) {
            if (!tag.selfClosing) {
                const bool svg = tag.name == "svg" || (tag.name != "math" && foreign_.back().svg);
                foreign_.push_back(Foreign{tag.name, svg, isHtmlIntegrationPoint(tag, svg)});
            }
            updateCdata();
            return false;
        }
        while (!foreign_.empty() && !foreign_.back().integrationPoint)
            foreign_.pop_back();
        updateCdata();
    }
    if (inSelect_)
        return selectStartTag(tag);
    return htmlStartTag(tag);
}

bool TreeFollower::selectStartTag(const ScannedTag& tag)
{
    if (tag.name == "script") {
        tokenizer_.setTextModel(HtmlTokenizer::TextModel::ScriptData);
    } else if (tag.name == "template") {
        ++templateDepth_;
    } else if (isOneOf(tag.name, {"select", "input", "keygen", "textarea"}) ||
               (selectInTable_ && isOneOf(tag.name, {"caption", "table", "tbody", "tfoot", "thead",
                                                     "tr", "td", "th"}))) {
        inSelect_ = false;
        if (tag.name != "select")
            return htmlStartTag(tag);
    }
    return false;
}

bool TreeFollower::htmlStartTag(const ScannedTag& tag)
{
    using Model = HtmlTokenizer::TextModel;
    const QByteArray& name = tag.name;
    if (name == "title" || name == "textarea") {
        tokenizer_.setTextModel(Model::Rcdata);
    } else if (isOneOf(name, {"style", "xmp", "iframe", "noembed", "noframes", "noscript"})) {
        tokenizer_.setTextModel(Model::Rawtext);
    } else if (name == "script") {
        tokenizer_.setTextModel(Model::ScriptData);
    } else if (name == "plaintext") {
        tokenizer_.setTextModel(Model::Plaintext);
    } else if (name == "select") {
        inSelect_ = true;
        selectInTable_ = tableDepth_ > 0;
    } else if (name == "table") {
        ++tableDepth_;
    } else if (name == "template") {
        ++templateDepth_;
    } else if ((name == "svg" || name == "math") && !tag.selfClosing) {
        foreign_.push_back(Foreign{name, name == "svg", false});
        updateCdata();
    }
    return templateDepth_ == 0;
}

void TreeFollower::endTag(const ScannedTag& tag)
{
    // In SVG or MathML an end tag closes the innermost element of its name.
    if (!foreign_.empty() && foreign_.back().htmlOpen == 0) {
        for (size_t i = foreign_.size(); i > 0; --i) {
            if (foreign_[i - 1].name == tag.name) {
                foreign_.resize(i - 1);
                updateCdata();
                return;
            }
        }
    }
    if (tag.name == "template" && templateDepth_ > 0) {
        --templateDepth_;
        foreign_.clear();
        inSelect_ = false;
        updateCdata();
        return;
    }
    if (inSelect_ && (tag.name == "select" ||
                      (selectInTable_ && isOneOf(tag.name, {"caption", "table", "tbody", "tfoot",
                                                            "thead", "tr", "td", "th"})))) {
        inSelect_ = false;
        return;
    }
    if (tag.name == "table" && tableDepth_ > 0)
        --tableDepth_;
    if (!foreign_.empty() && foreign_.back().htmlOpen > 0) {
        --foreign_.back().htmlOpen;
        updateCdata();
    }
}

// CDATA sections are read where the current element is SVG or MathML.
void TreeFollower::updateCdata()
{
    tokenizer_.setCdataAllowed(!foreign_.empty() && foreign_.back().htmlOpen == 0);
}

} // namespace exporting
