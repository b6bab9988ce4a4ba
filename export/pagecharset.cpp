#include "pagecharset.h"

#include <cerrno>
#include <iconv.h>

namespace exporting {

namespace {

bool isUtf8(const QByteArray& name)
{
    return name == "utf-8" || name == "utf8" || name == "unicode-1-1-utf-8";
}

// Browsers read these labels as other encodings; write what they will read.
QByteArray effectiveName(const QByteArray& declared)
{
    if (isUtf8(declared) || declared.startsWith("utf-16") || declared == "unicode" ||
        declared == "ucs-2")
        return QByteArrayLiteral("utf-8");
    if (declared == "iso-8859-1" || declared == "iso8859-1" || declared == "latin1" ||
        declared == "l1" || declared == "us-ascii" || declared == "ascii" ||
        declared == "iso_8859-1" || declared == "cp1252" || declared == "x-cp1252" ||
        declared == "windows-1252" || declared == "cp819" || declared == "ibm819")
        return QByteArrayLiteral("windows-1252");
    for (char c : declared) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.' || c == ':';
        if (!plain)
            return QByteArrayLiteral("?");
    }
    return declared;
}

class Converter
{
public:
    explicit Converter(const QByteArray& to) : cd_(iconv_open(to.constData(), "UTF-8")) {}
    ~Converter()
    {
        if (valid())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != iconv_t(-1); }

    std::optional<QByteArray> convert(const QByteArray& utf8)
    {
        QByteArray out;
        char* in = const_cast<char*>(utf8.constData());
        size_t inLeft = size_t(utf8.size());
        char buffer[4096];
        // Refuse instead of transliterating: a replaced character would change the script.
        for (bool flushing = false;;) {
            char* dst = buffer;
            size_t outLeft = sizeof buffer;
            // The last call ends a stateful charset's shift sequence.
            const size_t done = flushing ? iconv(cd_, nullptr, nullptr, &dst, &outLeft)
                                         : iconv(cd_, &in, &inLeft, &dst, &outLeft);
            out.append(buffer, dst - buffer);
            if (done == size_t(-1) && errno != E2BIG)
                return std::nullopt;
            if (done != size_t(-1)) {
                if (flushing)
                    return out;
                flushing = true;
            }
        }
    }

private:
    iconv_t cd_;
};

// Whether the bytes are well-formed UTF-8: no overlong forms, surrogates or code points past
// U+10FFFF, no sequence cut short.
bool isValidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        qsizetype length = 0;
        unsigned char low = 0x80; // the range of the second byte
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else
            return false;
        if (n - i < length || p[i + 1] < low || p[i + 1] > high)
            return false;
        for (qsizetype k = 2; k < length; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return false;
        }
        i += length;
    }
    return true;
}

// A page that declares no charset is read as UTF-8 when it is valid UTF-8; otherwise it was
// written in the code page such pages were written in.
QByteArray undeclaredCharset(const QByteArray& page)
{
    return isValidUtf8(page) ? QByteArrayLiteral("utf-8") : QByteArrayLiteral("windows-1252");
}

} // namespace

bool hasUtf16ByteOrderMark(const QByteArray& page)
{
    return page.startsWith("\xFF\xFE") || page.startsWith("\xFE\xFF");
}

PageCharset PageCharset::of(const QByteArray& page, const QByteArray& declared)
{
    PageCharset charset;
    if (page.startsWith("\xEF\xBB\xBF"))
        charset.name_ = QByteArrayLiteral("utf-8");
    else
        charset.name_ = declared.isEmpty() ? undeclaredCharset(page) : effectiveName(declared);
    if (charset.name_ == "utf-8")
        return charset;
    Converter converter(charset.name_.toUpper());
    if (charset.name_ == "?" || !converter.valid()) {
        charset.problem_ =
            QStringLiteral("La página declara la codificación «%1», que no se conoce.")
                .arg(QString::fromLatin1(declared));
        return charset;
    }
    const QByteArray ascii = QByteArrayLiteral("<!-- =\"'>/\r\n\t-->abcdefghijklmnopqrstuvwxyz"
                                               "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789();.,:");
    if (converter.convert(ascii) != ascii)
        charset.problem_ = QStringLiteral("La página usa la codificación «%1», en la que no se "
                                          "puede escribir el script.")
                               .arg(QString::fromLatin1(declared));
    return charset;
}

std::optional<QByteArray> PageCharset::encode(const QString& text) const
{
    const QByteArray utf8 = text.toUtf8();
    if (name_ == "utf-8")
        return utf8;
    Converter converter(name_.toUpper());
    if (!converter.valid())
        return std::nullopt;
    return converter.convert(utf8);
}

} // namespace exporting
