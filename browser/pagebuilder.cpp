#include "pagebuilder.h"

namespace pages {

namespace {

class PageText
{
public:
    PageText& line(const QString& text)
    {
        text_ += text;
        text_ += QLatin1String("\r\n");
        return *this;
    }
    PageText& line(QLatin1String text) { return line(QString(text)); }
    // The write-line of the whole text adds one more line end.
    QByteArray finish() const { return (text_ + QLatin1String("\r\n")).toUtf8(); }

private:
    QString text_;
};

// The pages are UTF-8, said in the page itself: in the running program the engine read an
// undeclared page as windows-1252, its default encoding setting notwithstanding.
const QLatin1String CharsetLine("<meta charset=\"utf-8\">");

// Text from the library shown in the page: a field without markup characters keeps its bytes.
QString asText(const QString& field)
{
    QString text;
    text.reserve(field.size());
    for (const QChar c : field) {
        switch (c.unicode()) {
        case '&':
            text += QLatin1String("&amp;");
            break;
        case '<':
            text += QLatin1String("&lt;");
            break;
        case '>':
            text += QLatin1String("&gt;");
            break;
        case '"':
            text += QLatin1String("&quot;");
            break;
        default:
            text += c;
        }
    }
    return text;
}

} // namespace

QByteArray BuildScriptPage(const ScriptPageFields& f)
{
    PageText page;
    page.line(QLatin1String("<html><head><title></title>"));
    page.line(CharsetLine);
    if (!f.externalScript.isEmpty()) {
        page.line(QLatin1String("<script src=") + f.externalScript + QLatin1String(">"));
        page.line(QLatin1String("</script>"));
    }
    page.line(f.head);
    page.line(QLatin1String("</head>"));
    page.line(QLatin1String("<body leftMargin=0 topMargin=0 rightMargin=0 bottomMargin=10 ") +
              f.body + QLatin1String(" >"));
    page.line(QLatin1String("<table width=100% border=0>"));
    page.line(QLatin1String("<tr bgColor=#a3c1e0><td colspan=2>"));
    page.line(QLatin1String("<img src='script.gif' align=center  valign='center'>"));
    page.line(QLatin1String("<FONT face=Arial color=#ffffff size=+2><b>") + asText(f.name) +
              QLatin1String("</b></td></tr>"));
    page.line(QLatin1String("<tr><td bgColor=#d6dfe7 width=50%>") +
              QLatin1String("<FONT face=Arial color=#000000 size=-1><b>Tipo Script:</b> ") +
              asText(f.typeName) + QLatin1String("</font></td>"));
    page.line(QLatin1String("<td bgColor=#d6dfe7 width=50%>"));
    page.line(QLatin1String("<FONT face=Arial color=#000000  size=-1><b>Compatible con: </b>") +
              asText(f.browsers) + QLatin1String("</font></td>"));
    page.line(QLatin1String("</tr></table>"));
    page.line(f.html);
    page.line(QLatin1String("</body></html>"));
    return page.finish();
}

QByteArray BuildCategoryPage(const QString& name, const QString& description)
{
    PageText page;
    page.line(QLatin1String("<html><head><title>Categoria</title>"));
    page.line(CharsetLine);
    page.line(QLatin1String("</head>"));
    page.line(QLatin1String("<body leftMargin=0 topMargin=0 rightMargin=0 bottomMargin=10 >"));
    page.line(QLatin1String("<table width=100% border=0>"));
    page.line(QLatin1String("<tr><td  bgColor=#a3c1e0>"));
    page.line(QLatin1String("<img src='categoria.gif' align='center' valign='center' >"));
    page.line(QStringLiteral("<FONT face=Arial color=#ffffff size=+2><b>Categoría: </b>") +
              asText(name) + QLatin1String("</b></font>"));
    page.line(QLatin1String("</td></tr></table>"));
    page.line(QLatin1String("<p>"));
    page.line(QLatin1String("<table width=100% border=0>"));
    page.line(QLatin1String("<tr><td bgColor=#d6dfe7 width=50%>"));
    page.line(QLatin1String("<FONT face=arial color=#000000 >") + asText(description) +
              QLatin1String("</font></td></tr></table>") +
              QLatin1String("<p align=center><img src='logo text2.jpg'>") +
              QLatin1String("</body></html>"));
    return page.finish();
}

} // namespace pages
