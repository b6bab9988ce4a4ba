#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

using namespace library;

namespace {

const QString ProgramDir = QStringLiteral(KORVALIS_PROGRAM_DIR);
const QString DataDir = QStringLiteral(KORVALIS_SOURCE_DIR "/data");

// The names of the related files a script's texts link to as "resources/NAME".
QSet<QString> linkedResources(const Script& script)
{
    static const QRegularExpression link(QStringLiteral("resources/([A-Za-z0-9_.-]+)"));
    QSet<QString> names;
    for (const QString& text : {script.scriptHead, script.scriptBody, script.scriptHtml}) {
        for (auto it = link.globalMatch(text); it.hasNext();)
            names.insert(it.next().captured(1));
    }
    return names;
}

bool hasOpaquePixels(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128)
                return true;
    return false;
}

} // namespace

class TestShippedData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void categoriesFormADeepTreeWithUniqueNames();
    void everyScriptIsCompleteAndFiledUnderAShownCategory();
    void relatedFilesExistAndMatchTheLinksInTheCode();
    void picturesOfThePagesHaveTheirFormatsAndSizes();
    void iconsAreCompiledIntoTheProgram();

private:
    QTemporaryDir dir_;
    std::unique_ptr<LibraryStore> store_;
};

void TestShippedData::init()
{
    // A copy, so that nothing the test does can touch the staged library.
    store_.reset();
    const QString copy = dir_.filePath(LibraryFileName);
    QFile::remove(copy);
    QVERIFY(QFile::copy(ProgramDir + QLatin1Char('/') + LibraryFileName, copy));
    store_ = LibraryStore::open(copy);
}

void TestShippedData::categoriesFormADeepTreeWithUniqueNames()
{
    int deepest = 0;
    QSet<QString> names;
    std::vector<std::pair<qint64, int>> pending = {{0, 0}};
    while (!pending.empty()) {
        const auto [parent, depth] = pending.back();
        pending.pop_back();
        deepest = qMax(deepest, depth);
        for (const Category& c : store_->childCategories(parent)) {
            QVERIFY(!c.nombre.trimmed().isEmpty());
            // Saving finds a category again by its name: two alike would be confused.
            QVERIFY2(!names.contains(c.nombre.toCaseFolded()), qPrintable(c.nombre));
            names.insert(c.nombre.toCaseFolded());
            pending.push_back({c.id, depth + 1});
        }
    }
    QVERIFY(deepest >= 3);
    // Every category hangs from the tree: none is lost under a missing parent.
    QCOMPARE(std::size_t(names.size()), store_->categoriesByName().size());
    for (const char* top :
         {"Efectos de texto", "Imágenes", "Formularios", "Navegación", "Fecha y hora", "Ventanas"})
        QVERIFY2(names.contains(QString::fromUtf8(top).toCaseFolded()), top);

    QSet<QString> types;
    for (const ScriptType& t : store_->typesByName())
        types.insert(t.nombre.toCaseFolded());
    QCOMPARE(std::size_t(types.size()), store_->typesByName().size());
    QVERIFY(types.size() >= 5);
}

void TestShippedData::everyScriptIsCompleteAndFiledUnderAShownCategory()
{
    const auto listing = store_->scriptsByName();
    QVERIFY(listing.size() >= 12);
    QSet<QString> names;
    for (const ScriptListing& entry : listing) {
        const auto script = store_->script(entry.id);
        QVERIFY(script);
        const QByteArray label = script->nombre.toUtf8();
        QVERIFY2(!names.contains(script->nombre.toCaseFolded()), label);
        names.insert(script->nombre.toCaseFolded());
        QVERIFY2(store_->category(script->idCategoria), label);
        QVERIFY2(store_->typeName(script->idTipo), label);
        QVERIFY2(!script->navegadores.isEmpty(), label);
        QVERIFY2(script->scriptHead.trimmed().startsWith(QLatin1String("<script>")), label);
        QVERIFY2(script->scriptHead.contains(QLatin1String("</script>")), label);
        QVERIFY2(!script->scriptHtml.trimmed().isEmpty(), label);
        QVERIFY2(script->scriptAyuda.length() > 80, label);
        QVERIFY2(script->nombreFichero.isEmpty(), label);
        for (const QString& text : {script->scriptHead, script->scriptHtml, script->scriptAyuda})
            QVERIFY2(!text.contains(QLatin1Char('\r')), label);
        // The body text is attributes of the body tag: no tags of its own.
        QVERIFY2(!script->scriptBody.contains(QLatin1Char('<')), label);
    }
}

void TestShippedData::relatedFilesExistAndMatchTheLinksInTheCode()
{
    std::map<QString, int> users;
    int scriptsWithFiles = 0;
    for (const ScriptListing& entry : store_->scriptsByName()) {
        const auto script = store_->script(entry.id);
        QSet<QString> rows;
        for (const RelatedFile& f : store_->relatedFiles(entry.id)) {
            QVERIFY2(!rows.contains(f.nombre), qPrintable(f.nombre));
            rows.insert(f.nombre);
            ++users[f.nombre];
            QVERIFY2(QFile::exists(ProgramDir + QStringLiteral("/resources/") + f.nombre),
                     qPrintable(f.nombre));
        }
        // Export copies exactly the rows: a link without a row would break in the user's page.
        QCOMPARE(rows, linkedResources(*script));
        if (!rows.isEmpty())
            ++scriptsWithFiles;
    }
    QVERIFY(scriptsWithFiles >= 3);
    QVERIFY(std::any_of(users.begin(), users.end(), [](const auto& u) { return u.second >= 2; }));
    // Nothing ships in resources/ that no script uses.
    const QStringList shipped = QDir(DataDir + QStringLiteral("/resources")).entryList(QDir::Files);
    QCOMPARE(int(users.size()), shipped.size());
    for (const QString& name : shipped)
        QVERIFY2(users.count(name) == 1, qPrintable(name));
}

void TestShippedData::picturesOfThePagesHaveTheirFormatsAndSizes()
{
    const struct
    {
        const char* name;
        const char* format;
        QSize size;
    } pictures[] = {{"script.gif", "gif", {32, 32}},
                    {"categoria.gif", "gif", {32, 32}},
                    {"logo text2.jpg", "jpeg", {300, 80}},
                    {"banner3.gif", "gif", {468, 60}},
                    {"logo.png", "png", {200, 120}}};
    for (const auto& p : pictures) {
        QImageReader reader(ProgramDir + QLatin1Char('/') + QLatin1String(p.name));
        QCOMPARE(reader.format(), QByteArray(p.format));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), p.name);
        QCOMPARE(image.size(), p.size);
        QVERIFY2(hasOpaquePixels(image), p.name);
    }
    QVERIFY(QFile::exists(ProgramDir + QStringLiteral("/licencia.rtf")));
}

void TestShippedData::iconsAreCompiledIntoTheProgram()
{
    QFile qrc(DataDir + QStringLiteral("/icons/icons.qrc"));
    QVERIFY(qrc.open(QIODevice::ReadOnly));
    static const QRegularExpression entry(QStringLiteral("<file>([^<]+)</file>"));
    QStringList listed;
    for (auto it = entry.globalMatch(QString::fromUtf8(qrc.readAll())); it.hasNext();)
        listed << it.next().captured(1);
    listed.sort();
    QCOMPARE(listed, QDir(DataDir + QStringLiteral("/icons"))
                         .entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name));

    const QStringList needed = {
        QStringLiteral("insertar"), QStringLiteral("editar"),   QStringLiteral("exportar"),
        QStringLiteral("borrar"),   QStringLiteral("enviar"),   QStringLiteral("aceptar"),
        QStringLiteral("salir"),    QStringLiteral("preview"),  QStringLiteral("categoria"),
        QStringLiteral("script"),   QStringLiteral("korvalis"), QStringLiteral("arrastrar"),
        QStringLiteral("logo")};
    for (const QString& name : needed) {
        const QString path = QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
        QVERIFY2(QFile::exists(path), qPrintable(path));
        const QIcon icon(path);
        for (const int size : {16, 32}) {
            const QPixmap pixmap = icon.pixmap(size);
            QVERIFY2(!pixmap.isNull(), qPrintable(path));
            QVERIFY2(hasOpaquePixels(pixmap.toImage()), qPrintable(path));
        }
    }
}

QTEST_MAIN(TestShippedData)
#include "test_shippeddata.moc"
