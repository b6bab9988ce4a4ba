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
    if (declared.isEmpty() || isUtf8(declared) || declared.startsWith("utf-16") ||
        declared == "unicode" || declared == "ucs-2")
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

} // namespace

bool hasUtf16ByteOrderMark(const QByteArray& page)
{
    return page.startsWith("\xFF\xFE") || page.startsWith("\xFE\xFF");
}

PageCharset PageCharset::of(const QByteArray& page, const QByteArray& declared)
{
    PageCharset charset;
    charset.name_ =
        page.startsWith("\xEF\xBB\xBF") ? QByteArrayLiteral("utf-8") : effectiveName(declared);
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
