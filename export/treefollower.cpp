#include "treefollower.h"

#include <QHash>
#include <algorithm>
#include <utility>

namespace exporting {

namespace {

// The element names gumbo, the parser the page reading is checked against, knows. gumbo
// departs from the standard in one way that changes where templates end: an end tag whose
// name it does not know closes the innermost open element whose name it does not know either
// ("</x>" closes "<y>"), so the reading follows it.
const char KnownNames[] =
    " a abbr acronym address annotation-xml applet area article aside audio b base basefont "
    "bdi bdo bgsound big blink blockquote body br button canvas caption center cite code col "
    "colgroup data datalist dd del desc details dfn dir div dl dt em embed fieldset "
    "figcaption figure font footer foreignobject form frame frameset h1 h2 h3 h4 h5 h6 head "
    "header hgroup hr html i iframe image img input ins isindex kbd keygen label legend li "
    "link listing main malignmark map mark marquee math menu menuitem meta meter mglyph mi "
    "mn mo ms mtext multicol nav nextid nobr noembed noframes noscript object ol optgroup "
    "option output p param plaintext pre progress q rb rp rt rtc ruby s samp script section "
    "select small source spacer span strike strong style sub summary sup svg table tbody td "
    "template textarea tfoot th thead time title tr track tt u ul var video wbr xmp ";

enum NameFlag : unsigned { Known = 1, Special = 2, SetsMode = 4 };

bool isSpecialHtml(const QByteArray& name);

// What an HTML element's name says about it, looked up once when it opens.
unsigned htmlNameFlags(const QByteArray& name)
{
    static const QHash<QByteArray, unsigned> flags = [] {
        QHash<QByteArray, unsigned> all;
        for (const QByteArray& n : QByteArray(KnownNames).split(' ')) {
            if (n.isEmpty())
                continue;
            unsigned f = Known;
            if (isSpecialHtml(n))
                f |= Special;
            if (isOneOf(n, {"select", "td", "th", "tr", "tbody", "thead", "tfoot", "caption",
                            "colgroup", "table", "template"}))
                f |= SetsMode;
            all.insert(n, f);
        }
        return all;
    }();
    return flags.value(name);
}

bool isKnownName(const QByteArray& name)
{
    return htmlNameFlags(name) & Known;
}

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

bool isMathText(const QByteArray& name)
{
    return isOneOf(name, {"mi", "mo", "mn", "ms", "mtext"});
}

bool isSvgIntegration(const QByteArray& name)
{
    return isOneOf(name, {"foreignobject", "desc", "title"});
}

bool isHeading(const QByteArray& name)
{
    return isOneOf(name, {"h1", "h2", "h3", "h4", "h5", "h6"});
}

bool isVoid(const QByteArray& name)
{
    return isOneOf(name, {"area",  "base",  "basefont", "bgsound", "br",    "col",      "embed",
                          "frame", "hr",    "img",      "image",   "input", "keygen",   "link",
                          "meta",  "param", "source",   "track",   "wbr",   "menuitem", "isindex"});
}

bool isTablePart(const QByteArray& name)
{
    return isOneOf(name,
                   {"caption", "col", "colgroup", "tbody", "td", "tfoot", "th", "thead", "tr"});
}

// Elements whose end tag closes what is open inside them, when they are in scope.
bool isBlock(const QByteArray& name)
{
    return isOneOf(name, {"address",  "article",    "aside",   "blockquote", "button",
                          "center",   "details",    "dir",     "div",        "dl",
                          "fieldset", "figcaption", "figure",  "footer",     "header",
                          "hgroup",   "listing",    "main",    "menu",       "nav",
                          "ol",       "pre",        "section", "summary",    "ul"});
}

bool isFormatting(const QByteArray& name)
{
    return isOneOf(name, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small",
                          "strike", "strong", "tt", "u"});
}

// The HTML elements an end tag of another name does not pass (gumbo leaves <main> out).
bool isSpecialHtml(const QByteArray& name)
{
    return isOneOf(
        name,
        {"address",  "applet",  "article",   "aside",      "blockquote", "body",     "button",
         "caption",  "center",  "colgroup",  "dd",         "details",    "dir",      "div",
         "dl",       "dt",      "fieldset",  "figcaption", "figure",     "footer",   "form",
         "frameset", "h1",      "h2",        "h3",         "h4",         "h5",       "h6",
         "head",     "header",  "hgroup",    "html",       "iframe",     "li",       "listing",
         "marquee",  "menu",    "nav",       "noembed",    "noframes",   "noscript", "object",
         "ol",       "p",       "plaintext", "pre",        "script",     "section",  "select",
         "style",    "summary", "table",     "tbody",      "td",         "template", "textarea",
         "tfoot",    "th",      "thead",     "title",      "tr",         "ul",       "xmp"});
}

} // namespace

TreeFollower::Mode TreeFollower::mode() const
{
    if (modes_.empty())
        return Mode::Body;
    const Mode m = modes_.back();
    return m == Mode::Template ? templateModes_.back() : m;
}

// The mode an element sets while it is the innermost of its kind; Body for the others.
TreeFollower::Mode TreeFollower::modeOf(const QByteArray& name) const
{
    if (name == "select") {
        for (size_t i = modes_.size(); i > 0; --i) {
            if (modes_[i - 1] == Mode::Template)
                break;
            if (modes_[i - 1] == Mode::Table)
                return Mode::SelectInTable;
        }
        return Mode::Select;
    }
    if (name == "td" || name == "th")
        return Mode::Cell;
    if (name == "tr")
        return Mode::Row;
    if (isOneOf(name, {"tbody", "thead", "tfoot"}))
        return Mode::TableBody;
    if (name == "caption")
        return Mode::Caption;
    if (name == "colgroup")
        return Mode::ColumnGroup;
    if (name == "table")
        return Mode::Table;
    return Mode::Template;
}

bool TreeFollower::startTag(const ScannedTag& tag)
{
    for (;;) {
        if (open_.empty() || open_.back().space == Space::Html)
            break;
        const Element& current = open_.back();
        const bool mathText = current.space == Space::MathMl && isMathText(current.name);
        if (current.htmlIntegration ||
            (mathText && tag.name != "mglyph" && tag.name != "malignmark") ||
            (current.space == Space::MathMl && current.name == "annotation-xml" &&
             tag.name == "svg"))
            break;
        if (!breaksOutOfForeign(tag))
            return foreignStartTag(tag);
        do {
            open_.pop_back();
        } while (!open_.empty() && open_.back().space != Space::Html &&
                 !open_.back().htmlIntegration &&
                 !(open_.back().space == Space::MathMl && isMathText(open_.back().name)));
        updateCdata();
    }
    const bool body = htmlStartTag(tag, mode());
    return body && templateDepth_ == 0;
}

bool TreeFollower::foreignStartTag(const ScannedTag& tag)
{
    if (tag.selfClosing)
        return false;
    const Space space = open_.back().space;
    push(tag.name, space);
    Element& e = open_.back();
    if (space == Space::Svg) {
        e.htmlIntegration = isSvgIntegration(tag.name);
    } else if (tag.name == "annotation-xml") {
        if (const ScannedAttribute* encoding = tag.attribute("encoding")) {
            const QByteArray value = attributeValue(tokenizer_.text(), *encoding).toLower();
            e.htmlIntegration = value == "text/html" || value == "application/xhtml+xml";
        }
    }
    return false;
}

// Returns whether the body's own rules took the tag.
bool TreeFollower::htmlStartTag(const ScannedTag& tag, Mode mode)
{
    const QByteArray& name = tag.name;
    switch (mode) {
    case Mode::Template: {
        if (isOneOf(name, {"base", "basefont", "bgsound", "link", "meta", "noframes", "script",
                           "style", "template", "title"}))
            return headStartTag(tag);
        Mode next = Mode::Body;
        if (isOneOf(name, {"caption", "colgroup", "tbody", "tfoot", "thead"}))
            next = Mode::Table;
        else if (name == "col")
            next = Mode::ColumnGroup;
        else if (name == "tr")
            next = Mode::TableBody;
        else if (name == "td" || name == "th")
            next = Mode::Row;
        templateModes_.back() = next;
        return htmlStartTag(tag, next);
    }
    case Mode::ColumnGroup:
        if (name == "template")
            return headStartTag(tag);
        if (name == "col" || name == "html" || !currentIs("colgroup"))
            return false;
        popTo(open_.size() - 1);
        return htmlStartTag(tag, this->mode());
    case Mode::Select:
    case Mode::SelectInTable:
        return selectStartTag(tag, mode);
    case Mode::Table:
    case Mode::TableBody:
    case Mode::Row:
        return tableStartTag(tag, mode);
    case Mode::Cell:
    case Mode::Caption:
        if (isTablePart(name)) {
            if (mode == Mode::Caption) {
                if (!closeInScope("caption", Scope::Table))
                    return false;
            } else {
                const int cell = std::max(inScope("td", Scope::Table), inScope("th", Scope::Table));
                if (cell < 0)
                    return false;
                popTo(size_t(cell));
            }
            return htmlStartTag(tag, this->mode());
        }
        return bodyStartTag(tag);
    case Mode::Body:
        break;
    }
    return bodyStartTag(tag);
}

bool TreeFollower::headStartTag(const ScannedTag& tag)
{
    using Model = HtmlTokenizer::TextModel;
    const QByteArray& name = tag.name;
    if (name == "title") {
        pushText(name, Model::Rcdata);
    } else if (name == "style" || name == "noframes") {
        pushText(name, Model::Rawtext);
    } else if (name == "script") {
        pushText(name, Model::ScriptData);
    } else if (name == "template") {
        push(name);
        ++templateDepth_;
        formatting_.push_back(Formatting{});
    }
    return false;
}

bool TreeFollower::tableStartTag(const ScannedTag& tag, Mode mode)
{
    const QByteArray& name = tag.name;
    if (mode == Mode::Row) {
        if (name == "td" || name == "th") {
            clearTo({"tr", "template"});
            push(name);
            formatting_.push_back(Formatting{});
            return false;
        }
        if (isTablePart(name)) {
            if (inScope("tr", Scope::Table) < 0)
                return false;
            clearTo({"tr", "template"});
            popTo(open_.size() - 1);
            return htmlStartTag(tag, this->mode());
        }
    } else if (mode == Mode::TableBody) {
        if (name == "tr" || name == "td" || name == "th") {
            clearTo({"tbody", "thead", "tfoot", "template"});
            push("tr");
            return name == "tr" ? false : htmlStartTag(tag, this->mode());
        }
        if (isTablePart(name)) {
            if (inScope("tbody", Scope::Table) < 0 && inScope("thead", Scope::Table) < 0 &&
                inScope("tfoot", Scope::Table) < 0)
                return false;
            clearTo({"tbody", "thead", "tfoot", "template"});
            popTo(open_.size() - 1);
            return htmlStartTag(tag, this->mode());
        }
    }
    if (isOneOf(name, {"caption", "colgroup", "tbody", "tfoot", "thead"})) {
        clearTo({"table", "template"});
        push(name);
        if (name == "caption")
            formatting_.push_back(Formatting{});
        return false;
    }
    if (isOneOf(name, {"col", "td", "th", "tr"})) {
        clearTo({"table", "template"});
        push(name == "col" ? "colgroup" : "tbody");
        return htmlStartTag(tag, this->mode());
    }
    if (name == "table") {
        if (!closeInScope("table", Scope::Table))
            return false;
        return htmlStartTag(tag, this->mode());
    }
    if (isOneOf(name, {"style", "script", "template"}))
        return headStartTag(tag);
    if (name == "form") {
        // Inserted and closed at once; outside templates it still becomes the page's form.
        formPointer_ = formPointer_ || templateDepth_ == 0;
        return false;
    }
    if (name == "input") {
        const ScannedAttribute* type = tag.attribute("type");
        if (type && attributeValue(tokenizer_.text(), *type).toLower() == "hidden")
            return false;
    }
    return bodyStartTag(tag);
}

bool TreeFollower::selectStartTag(const ScannedTag& tag, Mode mode)
{
    const QByteArray& name = tag.name;
    if (mode == Mode::SelectInTable &&
        isOneOf(name, {"caption", "table", "tbody", "tfoot", "thead", "tr", "td", "th"})) {
        closeInScope("select", Scope::Select);
        return htmlStartTag(tag, this->mode());
    }
    if (name == "option" || name == "optgroup") {
        if (currentIs("option"))
            popTo(open_.size() - 1);
        if (name == "optgroup" && currentIs("optgroup"))
            popTo(open_.size() - 1);
        push(name);
    } else if (name == "select") {
        closeInScope("select", Scope::Select);
    } else if (isOneOf(name, {"input", "keygen", "textarea"})) {
        if (closeInScope("select", Scope::Select))
            return htmlStartTag(tag, this->mode());
    } else if (name == "script" || name == "template") {
        return headStartTag(tag);
    }
    return false;
}

bool TreeFollower::bodyStartTag(const ScannedTag& tag)
{
    using Model = HtmlTokenizer::TextModel;
    const QByteArray& name = tag.name;
    if (isOneOf(name, {"noframes", "script", "style", "title", "template"})) {
        headStartTag(tag);
    } else if (isOneOf(name, {"html", "body", "frameset", "head", "frame"}) || isTablePart(name)) {
        // Ignored here; the caller reads <body> and <frameset>.
    } else if (isVoid(name)) {
        if (name == "hr")
            closeParagraph();
        else if (!isOneOf(name, {"param", "source", "track"}))
            reconstructFormatting();
    } else if (isFormatting(name)) {
        if (name == "a" || name == "nobr") {
            reconstructFormatting();
            const bool open =
                name == "a" ? findFormatting(name) >= 0 : inScope(name, Scope::Plain) >= 0;
            if (open) {
                adoptionAgency(name);
                if (name == "a")
                    dropFormatting(name);
            }
        }
        reconstructFormatting();
        push(name);
        addFormatting(tag);
    } else if (isOneOf(name, {"applet", "marquee", "object"})) {
        reconstructFormatting();
        push(name);
        formatting_.push_back(Formatting{});
    } else if (name == "table") {
        // No formatting element opens again around a table.
        if (!quirks_)
            closeParagraph();
        push(name);
    } else if (isBlock(name) || name == "p" || isHeading(name)) {
        if (name == "button") {
            closeInScope("button", Scope::Plain);
            reconstructFormatting();
        } else {
            closeParagraph();
            if (isHeading(name) && !open_.empty() && open_.back().space == Space::Html &&
                isHeading(open_.back().name))
                popTo(open_.size() - 1);
        }
        push(name);
    } else if (name == "li" || name == "dd" || name == "dt") {
        // An open list item of the same kind closes, unless a special element stands between.
        const bool itemOpen =
            name == "li" ? counts_.value("li") > 0 : counts_.value("dd") + counts_.value("dt") > 0;
        for (size_t i = itemOpen ? open_.size() : 0; i > 0; --i) {
            const Element& e = open_[i - 1];
            const bool item = e.space == Space::Html &&
                              (name == "li" ? e.name == "li" : e.name == "dd" || e.name == "dt");
            if (item) {
                popTo(i - 1);
                break;
            }
            if (e.special && !(e.space == Space::Html && isOneOf(e.name, {"address", "div", "p"})))
                break;
        }
        closeParagraph();
        push(name);
    } else if (name == "form") {
        // A second form outside templates is dropped while the first one is the page's form.
        if (formPointer_ && templateDepth_ == 0)
            return true;
        closeParagraph();
        push(name);
        if (templateDepth_ == 0)
            formPointer_ = open_.back().formPointer = true;
    } else if (name == "plaintext") {
        closeParagraph();
        pushText(name, Model::Plaintext);
    } else if (name == "xmp") {
        closeParagraph();
        reconstructFormatting();
        pushText(name, Model::Rawtext);
    } else if (name == "textarea") {
        pushText(name, Model::Rcdata);
    } else if (isOneOf(name, {"iframe", "noembed", "noscript"})) {
        pushText(name, Model::Rawtext);
    } else if (name == "option" || name == "optgroup") {
        if (currentIs("option"))
            popTo(open_.size() - 1);
        reconstructFormatting();
        push(name);
    } else if (name == "svg" || name == "math") {
        reconstructFormatting();
        if (!tag.selfClosing)
            push(name, name == "svg" ? Space::Svg : Space::MathMl);
    } else {
        if (!isOneOf(name, {"rp", "rt"}))
            reconstructFormatting();
        else if (inScope("ruby", Scope::Plain) >= 0)
            generateImpliedEndTags();
        push(name);
    }
    return true;
}

void TreeFollower::text(const HtmlTokenizer::Token& token)
{
    if (formatting_.empty() || formatting_.back().isMarker() || formatting_.back().open)
        return;
    const char* d = tokenizer_.text();
    if (!std::any_of(d + token.start, d + token.end, [](char c) { return c != '\0'; }))
        return;
    if (!open_.empty() && open_.back().space != Space::Html && !open_.back().htmlIntegration &&
        !(open_.back().space == Space::MathMl && isMathText(open_.back().name)))
        return;
    const Mode m = mode();
    const bool table = m == Mode::Table || m == Mode::TableBody || m == Mode::Row;
    if (m == Mode::Body || m == Mode::Template || m == Mode::Cell || m == Mode::Caption ||
        (table && !token.blank))
        reconstructFormatting();
}

void TreeFollower::endTag(const ScannedTag& tag)
{
    const QByteArray& name = tag.name;
    if (!open_.empty() && open_.back().rawText) {
        popTo(open_.size() - 1);
        return;
    }
    // In SVG or MathML an end tag closes the innermost element of its name, as far as the
    // nearest HTML element; past that the HTML rules read it.
    for (size_t i = open_.size(); i > 0 && open_[i - 1].space != Space::Html; --i) {
        if (open_[i - 1].name == name) {
            popTo(i - 1);
            return;
        }
    }
    htmlEndTag(name, mode());
}

void TreeFollower::htmlEndTag(const QByteArray& name, Mode mode)
{
    switch (mode) {
    case Mode::Template:
        if (name == "template")
            bodyEndTag(name);
        return;
    case Mode::ColumnGroup:
        if (name == "template") {
            bodyEndTag(name);
        } else if (name != "col" && currentIs("colgroup")) {
            popTo(open_.size() - 1);
            if (name != "colgroup")
                htmlEndTag(name, this->mode());
        }
        return;
    case Mode::Select:
    case Mode::SelectInTable:
        if (mode == Mode::SelectInTable &&
            isOneOf(name, {"caption", "table", "tbody", "tfoot", "thead", "tr", "td", "th"})) {
            if (inScope(name, Scope::Table) >= 0) {
                closeInScope("select", Scope::Select);
                htmlEndTag(name, this->mode());
            }
        } else if (name == "optgroup") {
            if (currentIs("option") && open_.size() >= 2 &&
                open_[open_.size() - 2].name == "optgroup")
                popTo(open_.size() - 1);
            if (currentIs("optgroup"))
                popTo(open_.size() - 1);
        } else if (name == "option") {
            if (currentIs("option"))
                popTo(open_.size() - 1);
        } else if (name == "select") {
            closeInScope("select", Scope::Select);
        } else if (name == "template") {
            bodyEndTag(name);
        }
        return;
    case Mode::Table:
    case Mode::TableBody:
    case Mode::Row:
        if (!tableEndTag(name, mode))
            bodyEndTag(name);
        return;
    case Mode::Cell:
        if (name == "td" || name == "th") {
            closeInScope(name, Scope::Table);
        } else if (isOneOf(name, {"table", "tbody", "tfoot", "thead", "tr"})) {
            if (inScope(name, Scope::Table) >= 0) {
                popTo(size_t(std::max(inScope("td", Scope::Table), inScope("th", Scope::Table))));
                htmlEndTag(name, this->mode());
            }
        } else if (!isOneOf(name, {"body", "caption", "col", "colgroup", "html"})) {
            bodyEndTag(name);
        }
        return;
    case Mode::Caption:
        if (name == "caption") {
            closeInScope(name, Scope::Table);
        } else if (name == "table") {
            if (closeInScope("caption", Scope::Table))
                htmlEndTag(name, this->mode());
        } else if (!isOneOf(name, {"body", "html"}) && !isTablePart(name)) {
            bodyEndTag(name);
        }
        return;
    case Mode::Body:
        bodyEndTag(name);
        return;
    }
}

// Returns whether the table's own rules took the end tag.
bool TreeFollower::tableEndTag(const QByteArray& name, Mode mode)
{
    if (mode == Mode::Row) {
        if (name == "tr" || name == "table" || isOneOf(name, {"tbody", "tfoot", "thead"})) {
            if (inScope(name == "table" ? QByteArray("tr") : name, Scope::Table) < 0)
                return true;
            if (inScope("tr", Scope::Table) >= 0) {
                clearTo({"tr", "template"});
                popTo(open_.size() - 1);
            }
            if (name != "tr")
                htmlEndTag(name, this->mode());
            return true;
        }
    } else if (mode == Mode::TableBody) {
        if (isOneOf(name, {"tbody", "tfoot", "thead"})) {
            if (inScope(name, Scope::Table) >= 0) {
                clearTo({"tbody", "thead", "tfoot", "template"});
                popTo(open_.size() - 1);
            }
            return true;
        }
        if (name == "table") {
            if (inScope("tbody", Scope::Table) < 0 && inScope("thead", Scope::Table) < 0 &&
                inScope("tfoot", Scope::Table) < 0)
                return true;
            clearTo({"tbody", "thead", "tfoot", "template"});
            popTo(open_.size() - 1);
            htmlEndTag(name, this->mode());
            return true;
        }
    }
    if (name == "table") {
        closeInScope(name, Scope::Table);
        return true;
    }
    return isOneOf(name, {"body", "html"}) || isTablePart(name);
}

void TreeFollower::bodyEndTag(const QByteArray& name)
{
    if (name == "template") {
        for (size_t i = open_.size(); i > 0; --i) {
            if (open_[i - 1].space == Space::Html && open_[i - 1].name == "template") {
                popTo(i - 1);
                return;
            }
        }
    } else if (isBlock(name) || isOneOf(name, {"dd", "dt", "applet", "marquee", "object"})) {
        closeInScope(name, Scope::Plain);
    } else if (name == "form") {
        // gumbo closes the page's form even inside a template, where the standard closes the
        // template's own; only that element leaves the stack.
        formPointer_ = false;
        for (size_t i = open_.size(); i > 0; --i) {
            if (open_[i - 1].formPointer) {
                generateImpliedEndTags();
                count(open_[i - 1], -1);
                open_.erase(open_.begin() + qsizetype(i - 1));
                updateCdata();
                return;
            }
            if (bounds(open_[i - 1], Scope::Plain))
                return;
        }
    } else if (name == "p") {
        closeParagraph();
    } else if (name == "li") {
        closeInScope(name, Scope::List);
    } else if (isHeading(name)) {
        for (size_t i = open_.size(); i > 0; --i) {
            const Element& e = open_[i - 1];
            if (e.space == Space::Html && isHeading(e.name)) {
                popTo(i - 1);
                return;
            }
            if (bounds(e, Scope::Plain))
                return;
        }
    } else if (isFormatting(name)) {
        adoptionAgency(name);
    } else if (name == "br") {
        reconstructFormatting();
    } else if (!isOneOf(name, {"body", "html"})) {
        anyOtherEndTag(name);
    }
}

void TreeFollower::anyOtherEndTag(const QByteArray& name)
{
    const bool known = isKnownName(name);
    if (known ? counts_.value(name) == 0 : unknownOpen_ == 0)
        return; // nothing the walk could close
    for (size_t i = open_.size(); i > 0; --i) {
        const Element& e = open_[i - 1];
        if (e.space == Space::Html && (e.name == name || (!known && !e.known))) {
            popTo(i - 1);
            return;
        }
        if (e.special)
            return;
    }
}

bool TreeFollower::specialName(const Element& e)
{
    if (e.space == Space::Svg)
        return isSvgIntegration(e.name);
    if (e.space == Space::MathMl)
        return isMathText(e.name) || e.name == "annotation-xml";
    return isSpecialHtml(e.name);
}

// Closes the elements whose end tag may be left out, from the current one on.
void TreeFollower::generateImpliedEndTags()
{
    size_t keep = open_.size();
    while (keep > 0 && open_[keep - 1].space == Space::Html &&
           isOneOf(open_[keep - 1].name,
                   {"dd", "dt", "li", "option", "optgroup", "p", "rb", "rp", "rt", "rtc"}))
        --keep;
    popTo(keep);
}

void TreeFollower::push(const QByteArray& name, Space space)
{
    Element e;
    e.name = name;
    e.space = space;
    e.id = nextId_++;
    if (space == Space::Html) {
        const unsigned flags = htmlNameFlags(name);
        e.known = flags & Known;
        e.special = flags & Special;
        e.definesMode = flags & SetsMode;
    } else {
        e.special = specialName(e);
    }
    if (space == Space::Html && name == "p")
        e.paragraph = e.id;
    else if (!open_.empty() && !bounds(e, Scope::Button))
        e.paragraph = open_.back().paragraph;
    count(e, 1);
    if (e.definesMode) {
        modes_.push_back(modeOf(name));
        if (modes_.back() == Mode::Template)
            templateModes_.push_back(Mode::Template);
    }
    open_.push_back(std::move(e));
    updateCdata();
}

void TreeFollower::pushText(const QByteArray& name, HtmlTokenizer::TextModel model)
{
    push(name);
    open_.back().rawText = true;
    tokenizer_.setTextModel(model);
}

void TreeFollower::popTo(size_t index)
{
    for (size_t i = index; i < open_.size(); ++i) {
        const Element& e = open_[i];
        if (e.space != Space::Html)
            continue;
        if (e.name == "template")
            --templateDepth_;
        // The formatting elements opened inside a cell, a caption, a template or an object
        // are forgotten with it.
        if (isOneOf(e.name, {"template", "td", "th", "caption", "applet", "marquee", "object"})) {
            while (!formatting_.empty() && !formatting_.back().isMarker())
                formatting_.pop_back();
            if (!formatting_.empty())
                formatting_.pop_back();
        }
    }
    for (size_t i = index; i < open_.size(); ++i) {
        count(open_[i], -1);
        if (open_[i].listed) {
            const int entry = formattingIndexOf(open_[i].id);
            if (entry >= 0)
                formatting_[size_t(entry)].open = false;
        }
        if (open_[i].definesMode) {
            if (modes_.back() == Mode::Template)
                templateModes_.pop_back();
            modes_.pop_back();
        }
    }
    open_.resize(index);
    updateCdata();
}

void TreeFollower::count(const Element& e, int delta)
{
    if (e.space != Space::Html)
        return;
    counts_[e.name] += delta;
    if (!e.known)
        unknownOpen_ += delta;
}

int TreeFollower::stackIndexOf(int id) const
{
    for (size_t i = open_.size(); i > 0; --i) {
        if (open_[i - 1].id == id)
            return int(i - 1);
    }
    return -1;
}

int TreeFollower::formattingIndexOf(int id) const
{
    for (size_t i = formatting_.size(); i > 0; --i) {
        if (formatting_[i - 1].id == id)
            return int(i - 1);
    }
    return -1;
}

// The last formatting element named `name` since the last marker; -1 when none.
int TreeFollower::findFormatting(const QByteArray& name) const
{
    for (size_t i = formatting_.size(); i > 0 && !formatting_[i - 1].isMarker(); --i) {
        if (formatting_[i - 1].name == name)
            return int(i - 1);
    }
    return -1;
}

// Records the element just opened; a fourth one of the same name and attributes since the
// last marker drops the earliest.
void TreeFollower::addFormatting(const ScannedTag& tag)
{
    open_.back().listed = true;
    Formatting entry{open_.back().id, tag.name, tag.attributes};
    // The attributes are compared only once three of the name are listed.
    std::vector<size_t> sameName;
    for (size_t i = formatting_.size(); i > 0 && !formatting_[i - 1].isMarker(); --i) {
        if (formatting_[i - 1].name == entry.name)
            sameName.push_back(i - 1);
    }
    if (sameName.size() >= 3) {
        const QByteArray mine = signature(entry);
        std::vector<size_t> same;
        for (size_t i : sameName) {
            if (signature(formatting_[i]) == mine)
                same.push_back(i);
        }
        if (same.size() >= 3)
            formatting_.erase(formatting_.begin() + qsizetype(same.back()));
    }
    formatting_.push_back(std::move(entry));
}

// The attributes' names and values, in name order.
QByteArray TreeFollower::signature(const Formatting& entry) const
{
    std::vector<QByteArray> pairs;
    for (const ScannedAttribute& a : entry.attributes)
        pairs.push_back(a.name + '=' + attributeValue(tokenizer_.text(), a));
    std::sort(pairs.begin(), pairs.end());
    QByteArray all;
    for (const QByteArray& pair : pairs)
        all += pair + '\0';
    return all;
}

// An <a> left open after the adoption agency is dropped from both lists.
void TreeFollower::dropFormatting(const QByteArray& name)
{
    const int entry = findFormatting(name);
    if (entry < 0)
        return;
    const int at = stackIndexOf(formatting_[size_t(entry)].id);
    formatting_.erase(formatting_.begin() + entry);
    if (at >= 0) {
        count(open_[size_t(at)], -1);
        open_.erase(open_.begin() + at);
        updateCdata();
    }
}

// Opens again the formatting elements that were closed before their end tag, as text and
// most start tags in the body do.
void TreeFollower::reconstructFormatting()
{
    if (formatting_.empty() || formatting_.back().isMarker() || formatting_.back().open)
        return;
    size_t from = formatting_.size() - 1;
    while (from > 0 && !formatting_[from - 1].isMarker() && !formatting_[from - 1].open)
        --from;
    for (size_t i = from; i < formatting_.size(); ++i) {
        push(formatting_[i].name);
        open_.back().listed = true;
        formatting_[i].id = open_.back().id;
        formatting_[i].open = true;
    }
}

// The end tag of a formatting element: what is open inside it closes with it, unless a
// special element is open inside it, which then takes the formatting element inside itself.
void TreeFollower::adoptionAgency(const QByteArray& name)
{
    for (int outer = 0; outer < 8; ++outer) {
        const int entry = findFormatting(name);
        if (entry < 0) {
            // gumbo drops the end tag when a marker stands after the last element of its
            // name, where the standard reads it as any other end tag.
            const bool marker = std::any_of(formatting_.begin(), formatting_.end(),
                                            [](const Formatting& f) { return f.isMarker(); });
            if (!marker)
                anyOtherEndTag(name);
            return;
        }
        const int at = stackIndexOf(formatting_[size_t(entry)].id);
        if (at < 0) {
            formatting_.erase(formatting_.begin() + entry);
            return;
        }
        for (size_t i = open_.size(); i > size_t(at) + 1; --i) {
            if (bounds(open_[i - 1], Scope::Plain))
                return;
        }
        int furthest = -1;
        for (size_t i = size_t(at) + 1; i < open_.size(); ++i) {
            if (open_[i].special) {
                furthest = int(i);
                break;
            }
        }
        if (furthest < 0) {
            popTo(size_t(at));
            formatting_.erase(formatting_.begin() + entry);
            return;
        }
        int bookmark = entry;
        int node = furthest;
        int lastNode = furthest;
        for (int inner = 0; inner < 3; ++inner) {
            --node;
            if (node == at)
                break;
            const int nodeEntry = formattingIndexOf(open_[size_t(node)].id);
            if (nodeEntry < 0) {
                count(open_[size_t(node)], -1);
                open_.erase(open_.begin() + node);
                --furthest;
                --lastNode;
                continue;
            }
            open_[size_t(node)].id = nextId_++;
            formatting_[size_t(nodeEntry)].id = open_[size_t(node)].id;
            if (lastNode == furthest)
                bookmark = nodeEntry + 1;
            lastNode = node;
        }
        Formatting moved = formatting_[size_t(entry)];
        moved.id = nextId_++;
        formatting_.erase(formatting_.begin() + entry);
        if (bookmark > entry)
            --bookmark;
        formatting_.insert(formatting_.begin() + bookmark, moved);
        Element e = open_[size_t(at)];
        e.id = moved.id;
        open_.erase(open_.begin() + at);
        e.paragraph = open_[size_t(furthest) - 1].paragraph;
        open_.insert(open_.begin() + furthest, std::move(e));
        updateCdata();
    }
}

int TreeFollower::inScope(const QByteArray& name, Scope scope) const
{
    if (counts_.value(name) == 0)
        return -1;
    for (size_t i = open_.size(); i > 0; --i) {
        const Element& e = open_[i - 1];
        if (e.space == Space::Html && e.name == name)
            return int(i - 1);
        if (bounds(e, scope))
            return -1;
    }
    return -1;
}

// Whether `e` ends the search for an element in `scope`.
bool TreeFollower::bounds(const Element& e, Scope scope)
{
    if (scope == Scope::Select)
        return e.space != Space::Html || !isOneOf(e.name, {"optgroup", "option"});
    if (scope == Scope::Table)
        return e.space == Space::Html && isOneOf(e.name, {"html", "table", "template"});
    if (e.space == Space::Svg)
        return isSvgIntegration(e.name);
    if (e.space == Space::MathMl)
        return isMathText(e.name) || e.name == "annotation-xml";
    return isOneOf(e.name, {"applet", "caption", "html", "table", "td", "th", "marquee", "object",
                            "template"}) ||
           (scope == Scope::Button && e.name == "button") ||
           (scope == Scope::List && (e.name == "ol" || e.name == "ul"));
}

bool TreeFollower::closeInScope(const QByteArray& name, Scope scope)
{
    const int at = inScope(name, scope);
    if (at < 0)
        return false;
    popTo(size_t(at));
    return true;
}

void TreeFollower::closeParagraph()
{
    const int at =
        open_.empty() || open_.back().paragraph < 0 ? -1 : stackIndexOf(open_.back().paragraph);
    if (at >= 0)
        popTo(size_t(at));
}

// Pops up to the innermost HTML element named one of `names`.
void TreeFollower::clearTo(std::initializer_list<const char*> names)
{
    size_t keep = open_.size();
    while (keep > 0 &&
           !(open_[keep - 1].space == Space::Html && isOneOf(open_[keep - 1].name, names)))
        --keep;
    popTo(keep);
}

bool TreeFollower::currentIs(const char* name) const
{
    return !open_.empty() && open_.back().space == Space::Html && open_.back().name == name;
}

// CDATA sections are read where the current element is SVG or MathML.
void TreeFollower::updateCdata()
{
    tokenizer_.setCdataAllowed(!open_.empty() && open_.back().space != Space::Html);
}

} // namespace exporting
