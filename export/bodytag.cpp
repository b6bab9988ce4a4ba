#include "bodytag.h"

#include "htmltokenizer.h"
#include "pageparse.h"
#include "quirksmode.h"
#include "treefollower.h"

#include <algorithm>

namespace exporting {

namespace {

// The character set a <meta> names; empty when none. A charset attribute, even an empty
// one, is the meta's only answer.
QByteArray charsetOfMeta(const char* text, const ScannedTag& meta)
{
    if (const ScannedAttribute* a = meta.attribute("charset"))
        return attributeValue(text, *a).trimmed().toLower();
    const ScannedAttribute* equiv = meta.attribute("http-equiv");
    const ScannedAttribute* content = meta.attribute("content");
    if (equiv && content &&
        qstricmp(attributeValue(text, *equiv).trimmed().constData(), "content-type") == 0)
        return charsetFromContentType(attributeValue(text, *content));
    return {};
}

// Start tags after which the body can no longer be replaced by a frameset.
bool endsFramesetChance(const char* text, const ScannedTag& tag)
{
    if (tag.name == "input") {
        const ScannedAttribute* type = tag.attribute("type");
        return !type || attributeValue(text, *type).toLower() != "hidden";
    }
    return isOneOf(tag.name,
                   {"pre",    "listing",  "li",  "dd",     "dt",     "button", "applet", "marquee",
                    "object", "area",     "br",  "embed",  "img",    "image",  "keygen", "wbr",
                    "hr",     "textarea", "xmp", "iframe", "select", "body",   "table"});
}

// The rest of a page whose body content opened: the body tag reads as Implied when a later
// <body> adds attributes to it, and as Missing otherwise, or when a <frameset> replaces it.
BodyTag::Status afterImpliedBody(const char* text, HtmlTokenizer& tokenizer, TreeFollower& follower,
                                 bool framesetOk)
{
    for (;;) {
        const HtmlTokenizer::Token token = tokenizer.next();
        switch (token.kind) {
        case HtmlTokenizer::Kind::EndOfPage:
            return BodyTag::Status::Missing;
        case HtmlTokenizer::Kind::Text:
            follower.text(token);
            framesetOk = framesetOk && !token.visible;
            break;
        case HtmlTokenizer::Kind::StartTag: {
            const ScannedTag& tag = tokenizer.tag();
            if (!follower.startTag(tag))
                break;
            if (tag.name == "body" && !tag.attributes.empty())
                return BodyTag::Status::Implied;
            if (tag.name == "frameset" && framesetOk)
                return BodyTag::Status::Missing;
            framesetOk = framesetOk && !endsFramesetChance(text, tag);
            break;
        }
        case HtmlTokenizer::Kind::EndTag:
            follower.endTag(tokenizer.tag());
            framesetOk = framesetOk && tokenizer.tag().name != "br";
            break;
        default:
            break;
        }
    }
}

// The tree construction from the page's start up to its body: the modes before the <html>,
// before and in the <head>, and after it. It stops where the body element is made.
BodyTag readUpToBody(const char* text, qsizetype length)
{
    enum Mode { Initial, BeforeHtml, BeforeHead, InHead, AfterHead };
    using Kind = HtmlTokenizer::Kind;
    using Model = HtmlTokenizer::TextModel;
    HtmlTokenizer tokenizer(text, length);
    TreeFollower follower(tokenizer, documentQuirksMode(text, length));
    Mode mode = Initial;
    BodyTag result;
    QByteArray charset;
    const auto implied = [&](bool framesetOk) {
        result.status = afterImpliedBody(text, tokenizer, follower, framesetOk);
        return result;
    };
    for (;;) {
        const HtmlTokenizer::Token token = tokenizer.next();
        if (token.kind == Kind::EndOfPage)
            return result;
        if (follower.templateDepth() > 0) {
            // A template's content opens no body.
            if (token.kind == Kind::StartTag)
                follower.startTag(tokenizer.tag());
            else if (token.kind == Kind::EndTag)
                follower.endTag(tokenizer.tag());
            else if (token.kind == Kind::Text)
                follower.text(token);
            continue;
        }
        if (token.kind == Kind::Text) {
            if (!token.blank)
                return implied(!token.visible);
            continue;
        }
        if (token.kind == Kind::EndTag) {
            const QByteArray& name = tokenizer.tag().name;
            if (name == "head" && mode < AfterHead)
                mode = AfterHead;
            else if (isOneOf(name, {"body", "html", "br"}))
                return implied(name != "br");
            continue;
        }
        if (token.kind != Kind::StartTag)
            continue;
        const ScannedTag& tag = tokenizer.tag();
        const QByteArray& name = tag.name;
        if (name == "html") {
            mode = qMax(mode, BeforeHead);
        } else if (name == "head") {
            mode = qMax(mode, InHead);
        } else if (name == "body") {
            result.status = BodyTag::Status::Found;
            result.start = tag.start;
            result.nameEnd = tag.start + 5;
            result.end = tag.end;
            for (const ScannedAttribute& a : tag.attributes)
                result.attributes.push_back(TagAttribute{a.name, a.start, a.end});
            result.declaredCharset = charset;
            return result;
        } else if (name == "frameset") {
            return result;
        } else if (isOneOf(name, {"base", "basefont", "bgsound", "link", "meta", "title", "style",
                                  "noframes", "script", "template", "menuitem"}) ||
                   (name == "noscript" && mode < AfterHead)) {
            mode = qMax(mode, InHead);
            if (name == "meta") {
                if (charset.isEmpty())
                    charset = charsetOfMeta(text, tag);
            } else if (name == "title") {
                tokenizer.setTextModel(Model::Rcdata);
            } else if (name == "script") {
                tokenizer.setTextModel(Model::ScriptData);
            } else if (isOneOf(name, {"style", "noframes", "noscript"})) {
                tokenizer.setTextModel(Model::Rawtext);
            } else if (name == "template") {
                follower.startTag(tag);
            }
        } else {
            follower.startTag(tag);
            return implied(!endsFramesetChance(text, tag));
        }
    }
}

} // namespace

BodyTag locateBodyTag(const QByteArray& page)
{
    // The tokenizer does not know the byte-order mark; it would read it as text.
    const qsizetype skip = page.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const QByteArray text = QByteArray::fromRawData(page.constData() + skip, page.size() - skip);
    if (findBodyCandidate(text, 0) < 0)
        return BodyTag{};
    BodyTag tag = readUpToBody(text.constData(), text.size());
    if (tag.status != BodyTag::Status::Found) {
        BodyTag none;
        none.status = tag.status;
        return none;
    }
    tag.start += skip;
    tag.nameEnd += skip;
    tag.end += skip;
    for (TagAttribute& a : tag.attributes) {
        a.start += skip;
        a.end += skip;
    }
    return tag;
}

AttributeText inspectAttributeText(const QByteArray& attributes)
{
    AttributeText result;
    const QByteArray tag = QByteArrayLiteral("<body ") + attributes + '>';
    if (attributes.contains('\0'))
        return result;
    const BodyTag parsed = readUpToBody(tag.constData(), tag.size());
    if (parsed.status != BodyTag::Status::Found || parsed.end != tag.size())
        return result;
    result.wellFormed = true;
    for (const TagAttribute& a : parsed.attributes) {
        if (a.name == "onload")
            result.hasOnload = true;
    }
    // After an unquoted value a "/" is part of the value; after a quote or a bare name it
    // starts a new token, and so does the attribute "z" behind it.
    const QByteArray probe = tag.left(tag.size() - 1) + QByteArrayLiteral("/z>");
    const qsizetype zAt = probe.size() - 2;
    const BodyTag probed = readUpToBody(probe.constData(), probe.size());
    result.slashJoinsLastValue = true;
    for (const TagAttribute& a : probed.attributes) {
        if (a.start == zAt)
            result.slashJoinsLastValue = false;
    }
    return result;
}

} // namespace exporting
