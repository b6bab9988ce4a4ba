#include "pageparse.h"

#include "htmltokenizer.h"
#include "treefollower.h"

namespace exporting {

bool isTagNameEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '/' || c == '>';
}

std::vector<ByteSpan> pageComments(const char* text, qsizetype length)
{
    std::vector<ByteSpan> spans;
    HtmlTokenizer tokenizer(text, length);
    TreeFollower follower(tokenizer);
    for (;;) {
        const HtmlTokenizer::Token token = tokenizer.next();
        switch (token.kind) {
        case HtmlTokenizer::Kind::EndOfPage:
            return spans;
        case HtmlTokenizer::Kind::Comment:
            spans.push_back(ByteSpan{token.start, token.end});
            break;
        case HtmlTokenizer::Kind::StartTag:
            follower.startTag(tokenizer.tag());
            break;
        case HtmlTokenizer::Kind::EndTag:
            follower.endTag(tokenizer.tag());
            break;
        case HtmlTokenizer::Kind::Text:
            follower.text(token);
            break;
        default:
            break;
        }
    }
}

} // namespace exporting
