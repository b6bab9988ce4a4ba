#include "app/rtfreader.h"

#include "base/systemerror.h"

#include <QColor>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <optional>
#include <vector>

namespace app {
namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; a table keeps the reader independent
// of the codecs the Qt build happens to carry.
const char16_t Cp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// Guards the group stack against hostile input; real documents stay far below.
constexpr std::size_t MaxGroupDepth = 2000;
// Twips to the document's pixels at 96 DPI.
constexpr double TwipsPerPixel = 15.0;

enum class Destination { Text, ColourTable };

struct GroupState
{
    Destination destination = Destination::Text;
    bool skip = false; // inside a destination whose text is not shown
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int verticalShift = 0; // 1 superscript, -1 subscript
    int halfPoints = 0;    // 0: the document's default size
    int colour = 0;        // index into the colour table; 0 is the default colour
    int unicodeSkip = 1;   // \ucN: fallback characters written after each \uN
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0; // the indents and spacing are in twips
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;

    void resetCharacter()
    {
        bold = italic = underline = strike = false;
        verticalShift = halfPoints = colour = 0;
    }
    void resetParagraph()
    {
        alignment = Qt::AlignLeft;
        leftIndent = rightIndent = firstIndent = spaceBefore = spaceAfter = 0;
    }
};

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isSkippedDestination(const QByteArray& word)
{
    static const QSet<QByteArray> words = {"fonttbl",      "stylesheet",   "info",
                                           "pict",         "header",       "headerl",
                                           "headerr",      "headerf",      "footer",
                                           "footerl",      "footerr",      "footerf",
                                           "footnote",     "listtable",    "listoverridetable",
                                           "revtbl",       "rsidtbl",      "generator",
                                           "xmlnstbl",     "filetbl",      "object",
                                           "objdata",      "themedata",    "colorschememapping",
                                           "latentstyles", "datastore",    "fldinst",
                                           "pn",           "pntxta",       "pntxtb",
                                           "nonshppict",   "shp",          "shpinst",
                                           "sp",           "sn",           "sv",
                                           "template",     "userprops",    "docvar",
                                           "mmathPr",      "pgdsctbl",     "bkmkstart",
                                           "bkmkend",      "ftnsep",       "ftnsepc",
                                           "aftnsep",      "aftnsepc",     "annotation",
                                           "atnid",        "atnauthor",    "xe",
                                           "tc",           "txe",          "rxe",
                                           "private",      "wgrffmtfilter"};
    return words.contains(word);
}

class RtfParser
{
public:
    RtfParser(QByteArray rtf, QTextDocument* document) : in_(std::move(rtf)), cursor_(document)
    {
        setCodePage(1252);
    }

    bool parse(QString* error);

private:
    bool openGroup();
    void closeGroup();
    void readControl();
    void controlWord(const QByteArray& word, std::optional<int> param);
    void controlSymbol(char symbol);
    bool characterWord(const QByteArray& word, std::optional<int> param);
    bool paragraphWord(const QByteArray& word, std::optional<int> param);
    bool specialCharacterWord(const QByteArray& word);
    bool documentWord(const QByteArray& word, std::optional<int> param);
    void plainByte(char c);
    void addByte(char c);
    void addText(const QString& text);
    bool consumeFallback();
    void flushBytes();
    void flushText();
    void endParagraph();
    void finishDocument();
    void setCodePage(int codePage);
    QTextCharFormat charFormat() const;
    QTextBlockFormat blockFormat() const;

    const QByteArray in_;
    qsizetype pos_ = 0;
    QTextCursor cursor_;
    std::vector<GroupState> stack_;
    GroupState state_;
    QByteArray pendingBytes_;
    QString pendingText_;
    int fallbackToSkip_ = 0;
    bool paragraphEnded_ = false;
    bool finished_ = false;
    bool tooDeep_ = false;
    int codePage_ = 1252;
    std::optional<QStringDecoder> decoder_; // for code pages other than 1252
    std::vector<QColor> colours_;
    int red_ = -1, green_ = -1, blue_ = -1;
};

bool RtfParser::parse(QString* error)
{
    while (pos_ < in_.size() && !finished_ && !tooDeep_) {
        const char c = in_.at(pos_++);
        if (c == '{') {
            openGroup();
        } else if (c == '}') {
            closeGroup();
        } else if (c == '\\') {
            readControl();
        } else {
            plainByte(c);
        }
    }
    if (tooDeep_) {
        if (error)
            *error = QStringLiteral("El documento RTF tiene demasiados grupos anidados.");
        return false;
    }
    // A document cut short inside an inner group has lost text we cannot account for.
    if (stack_.size() > 1) {
        if (error)
            *error = QStringLiteral("El documento RTF está incompleto: hay grupos sin cerrar.");
        return false;
    }
    if (!finished_)
        finishDocument();
    return true;
}

void RtfParser::finishDocument()
{
    flushText();
    // The last paragraph needs no \par; it keeps the properties in force at the end.
    if (!paragraphEnded_)
        cursor_.setBlockFormat(blockFormat());
    finished_ = true;
}

bool RtfParser::openGroup()
{
    flushText();
    fallbackToSkip_ = 0;
    if (stack_.size() >= MaxGroupDepth) {
        tooDeep_ = true;
        return false;
    }
    stack_.push_back(state_);
    return true;
}

void RtfParser::closeGroup()
{
    flushText();
    fallbackToSkip_ = 0;
    if (state_.destination == Destination::ColourTable && red_ >= 0)
        colours_.push_back(QColor(red_, green_, blue_));
    if (stack_.size() <= 1) {
        // The outer group closes the document; anything after it is not part of it.
        finishDocument();
        return;
    }
    const bool leavingColourTable = state_.destination == Destination::ColourTable;
    state_ = stack_.back();
    stack_.pop_back();
    if (leavingColourTable)
        red_ = green_ = blue_ = -1;
}

void RtfParser::readControl()
{
    if (pos_ >= in_.size())
        return;
    const char c = in_.at(pos_);
    if (!isLetter(c)) {
        ++pos_;
        controlSymbol(c);
        return;
    }
    const qsizetype start = pos_;
    while (pos_ < in_.size() && isLetter(in_.at(pos_)) && pos_ - start < 32)
        ++pos_;
    const QByteArray word = in_.mid(start, pos_ - start);
    std::optional<int> param;
    bool negative = false;
    if (pos_ < in_.size() && in_.at(pos_) == '-') {
        negative = true;
        ++pos_;
    }
    qint64 value = 0;
    int digits = 0;
    while (pos_ < in_.size() && in_.at(pos_) >= '0' && in_.at(pos_) <= '9') {
        if (digits++ < 10)
            value = value * 10 + (in_.at(pos_) - '0');
        ++pos_;
    }
    if (digits > 0)
        param = int(qBound(qint64(-2147483647), negative ? -value : value, qint64(2147483647)));
    if (pos_ < in_.size() && in_.at(pos_) == ' ')
        ++pos_;
    if (word == "bin") {
        // Raw binary data follows; it never holds text, so it is stepped over whole.
        pos_ = qMin(in_.size(), pos_ + qMax(0, param.value_or(0)));
        return;
    }
    if (consumeFallback())
        return;
    controlWord(word, param);
}

void RtfParser::controlSymbol(char symbol)
{
    if (symbol == '\'') {
        const int high = pos_ < in_.size() ? hexValue(in_.at(pos_)) : -1;
        const int low = pos_ + 1 < in_.size() ? hexValue(in_.at(pos_ + 1)) : -1;
        if (high < 0 || low < 0)
            return;
        pos_ += 2;
        if (consumeFallback())
            return;
        addByte(char(high * 16 + low));
        return;
    }
    if (consumeFallback())
        return;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        addByte(symbol);
        break;
    case '~':
        addText(QString(QChar(0x00A0)));
        break;
    case '-':
        addText(QString(QChar(0x00AD)));
        break;
    case '_':
        addText(QString(QChar(0x2011)));
        break;
    case '*':
        // A destination that a reader may ignore: none of them holds visible text.
        flushText();
        state_.skip = true;
        break;
    case '\n':
    case '\r':
        endParagraph();
        break;
    case '\t':
        addText(QStringLiteral("\t"));
        break;
    default:
        break; // \| \: and other symbols carry nothing shown here
    }
}

void RtfParser::controlWord(const QByteArray& word, std::optional<int> param)
{
    if (word == "u") {
        // A 16-bit signed UTF-16 unit, then \ucN fallback characters for older readers.
        if (param)
            addText(QString(QChar(char16_t(quint16(qint16(*param))))));
        fallbackToSkip_ = state_.unicodeSkip;
        return;
    }
    if (word == "uc") {
        state_.unicodeSkip = qMax(0, param.value_or(1));
        return;
    }
    if (state_.destination == Destination::ColourTable) {
        const int v = qBound(0, param.value_or(0), 255);
        if (word != "red" && word != "green" && word != "blue")
            return;
        if (red_ < 0)
            red_ = green_ = blue_ = 0; // components left out are zero
        (word == "red" ? red_ : word == "green" ? green_ : blue_) = v;
        return;
    }
    if (word == "colortbl") {
        flushText();
        state_.destination = Destination::ColourTable;
        state_.skip = true;
        colours_.clear();
        return;
    }
    if (isSkippedDestination(word)) {
        flushText();
        state_.skip = true;
        return;
    }
    if (characterWord(word, param) || paragraphWord(word, param) || specialCharacterWord(word))
        return;
    documentWord(word, param);
}

bool RtfParser::characterWord(const QByteArray& word, std::optional<int> param)
{
    const bool on = !param || *param != 0;
    if (word == "plain") {
        flushText();
        state_.resetCharacter();
        return true;
    }
    bool* toggle = nullptr;
    if (word == "b")
        toggle = &state_.bold;
    else if (word == "i")
        toggle = &state_.italic;
    else if (word == "strike")
        toggle = &state_.strike;
    else if (word == "ul" || word == "uld" || word == "uldb" || word == "uldash" || word == "ulw" ||
             word == "ulth" || word == "ulwave")
        toggle = &state_.underline;
    if (toggle) {
        flushText();
        *toggle = on;
        return true;
    }
    flushText();
    if (word == "ulnone") {
        state_.underline = false;
    } else if (word == "fs") {
        state_.halfPoints = qBound(0, param.value_or(24), 3276);
    } else if (word == "cf") {
        state_.colour = qMax(0, param.value_or(0));
    } else if (word == "super") {
        state_.verticalShift = 1;
    } else if (word == "sub") {
        state_.verticalShift = -1;
    } else if (word == "nosupersub") {
        state_.verticalShift = 0;
    } else {
        return false;
    }
    return true;
}

bool RtfParser::paragraphWord(const QByteArray& word, std::optional<int> param)
{
    const int value = param.value_or(0);
    if (word == "par" || word == "page" || word == "sect" || word == "row") {
        endParagraph();
    } else if (word == "line") {
        addText(QString(QChar::LineSeparator));
    } else if (word == "tab" || word == "cell") {
        addText(QStringLiteral("\t"));
    } else if (word == "pard") {
        state_.resetParagraph();
    } else if (word == "ql") {
        state_.alignment = Qt::AlignLeft;
    } else if (word == "qc") {
        state_.alignment = Qt::AlignHCenter;
    } else if (word == "qr") {
        state_.alignment = Qt::AlignRight;
    } else if (word == "qj") {
        state_.alignment = Qt::AlignJustify;
    } else if (word == "li") {
        state_.leftIndent = value;
    } else if (word == "ri") {
        state_.rightIndent = value;
    } else if (word == "fi") {
        state_.firstIndent = value;
    } else if (word == "sb") {
        state_.spaceBefore = value;
    } else if (word == "sa") {
        state_.spaceAfter = value;
    } else {
        return false;
    }
    return true;
}

bool RtfParser::specialCharacterWord(const QByteArray& word)
{
    static const QHash<QByteArray, char16_t> characters = {
        {"emdash", 0x2014},  {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},
        {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
        {"enspace", 0x2002}, {"qmspace", 0x2005},   {"zwnj", 0x200C},      {"zwj", 0x200D},
        {"ltrmark", 0x200E}, {"rtlmark", 0x200F}};
    const auto it = characters.constFind(word);
    if (it == characters.constEnd())
        return false;
    addText(QString(QChar(it.value())));
    return true;
}

bool RtfParser::documentWord(const QByteArray& word, std::optional<int> param)
{
    if (word == "ansicpg" && param) {
        setCodePage(*param);
    } else if (word == "ansi") {
        setCodePage(1252);
    } else if (word == "mac") {
        setCodePage(10000);
    } else if (word == "pc") {
        setCodePage(437);
    } else if (word == "pca") {
        setCodePage(850);
    } else {
        return false; // words this reader does not know are ignored, as RTF asks
    }
    return true;
}

void RtfParser::plainByte(char c)
{
    if (c == '\r' || c == '\n' || c == '\0')
        return;
    if (consumeFallback())
        return;
    if (state_.destination == Destination::ColourTable) {
        if (c == ';') {
            colours_.push_back(red_ >= 0 ? QColor(red_, green_, blue_) : QColor());
            red_ = green_ = blue_ = -1;
        }
        return;
    }
    if (c == '\t') {
        addText(QStringLiteral("\t"));
        return;
    }
    addByte(c);
}

bool RtfParser::consumeFallback()
{
    if (fallbackToSkip_ <= 0)
        return false;
    --fallbackToSkip_;
    return true;
}

void RtfParser::addByte(char c)
{
    if (state_.skip)
        return;
    pendingBytes_.append(c);
}

void RtfParser::addText(const QString& text)
{
    if (state_.skip)
        return;
    flushBytes();
    pendingText_ += text;
}

void RtfParser::flushBytes()
{
    if (pendingBytes_.isEmpty())
        return;
    if (decoder_) {
        pendingText_ += decoder_->decode(pendingBytes_);
    } else {
        for (const char c : std::as_const(pendingBytes_)) {
            const auto b = quint8(c);
            pendingText_ +=
                (b >= 0x80 && b < 0xA0) ? QChar(Cp1252High[b - 0x80]) : QChar(char16_t(b));
        }
    }
    pendingBytes_.clear();
}

void RtfParser::flushText()
{
    flushBytes();
    if (pendingText_.isEmpty())
        return;
    if (paragraphEnded_) {
        cursor_.insertBlock();
        paragraphEnded_ = false;
    }
    cursor_.insertText(pendingText_, charFormat());
    pendingText_.clear();
}

void RtfParser::endParagraph()
{
    if (state_.skip)
        return;
    flushText();
    if (paragraphEnded_)
        cursor_.insertBlock(); // an empty paragraph
    // The properties in force when the paragraph ends are the ones it carries.
    cursor_.setBlockFormat(blockFormat());
    paragraphEnded_ = true;
}

void RtfParser::setCodePage(int codePage)
{
    flushBytes();
    codePage_ = codePage;
    decoder_.reset();
    if (codePage == 1252 || codePage <= 0)
        return;
    const QByteArray name = "windows-" + QByteArray::number(codePage);
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        decoder = QStringDecoder(("CP" + QByteArray::number(codePage)).constData());
    // Without a codec for the page, Windows-1252 is the closest guess for Western text.
    if (decoder.isValid())
        decoder_.emplace(std::move(decoder));
}

QTextCharFormat RtfParser::charFormat() const
{
    QTextCharFormat format;
    format.setFontWeight(state_.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(state_.italic);
    format.setFontUnderline(state_.underline);
    format.setFontStrikeOut(state_.strike);
    if (state_.halfPoints > 0)
        format.setFontPointSize(state_.halfPoints / 2.0);
    if (state_.verticalShift != 0)
        format.setVerticalAlignment(state_.verticalShift > 0 ? QTextCharFormat::AlignSuperScript
                                                             : QTextCharFormat::AlignSubScript);
    const auto index = std::size_t(state_.colour);
    if (index > 0 && index < colours_.size() && colours_[index].isValid())
        format.setForeground(colours_[index]);
    return format;
}

QTextBlockFormat RtfParser::blockFormat() const
{
    QTextBlockFormat format;
    format.setAlignment(state_.alignment);
    format.setLeftMargin(state_.leftIndent / TwipsPerPixel);
    format.setRightMargin(state_.rightIndent / TwipsPerPixel);
    format.setTextIndent(state_.firstIndent / TwipsPerPixel);
    format.setTopMargin(state_.spaceBefore / TwipsPerPixel);
    format.setBottomMargin(state_.spaceAfter / TwipsPerPixel);
    return format;
}

bool startsAsRtf(const QByteArray& rtf)
{
    qsizetype i = 0;
    if (rtf.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < rtf.size() &&
           (rtf.at(i) == ' ' || rtf.at(i) == '\r' || rtf.at(i) == '\n' || rtf.at(i) == '\t'))
        ++i;
    return rtf.mid(i, 5) == "{\\rtf";
}

} // namespace

bool readRtf(const QByteArray& rtf, QTextDocument* document, QString* error)
{
    if (!document)
        return false;
    document->clear();
    if (!startsAsRtf(rtf)) {
        if (error)
            *error = QStringLiteral("El fichero no tiene formato RTF.");
        return false;
    }
    RtfParser parser(rtf.mid(rtf.indexOf('{')), document);
    if (!parser.parse(error)) {
        document->clear();
        return false;
    }
    return true;
}

bool readRtfFile(const QString& path, QTextDocument* document, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (document)
            document->clear();
        if (error)
            *error = QStringLiteral("No se pudo leer «%1»: %2")
                         .arg(path, syserror::FromFileText(file.errorString()));
        return false;
    }
    return readRtf(file.readAll(), document, error);
}

} // namespace app
