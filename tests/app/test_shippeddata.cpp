// The shipped library, pictures and icons, read from the staged program folder; and every
// shipped script run in the real web engine.
#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QDir>
#include <QIcon>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>
#include <map>

using namespace library;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString ProgramDir = QStringLiteral(KORVALIS_PROGRAM_DIR);
const QString DataDir = QStringLiteral(KORVALIS_SOURCE_DIR "/data");

bool hasOpaquePixels(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128)
                return true;
    return false;
}

// For each shipped script, by name, a function true once the script has done its work.
const char* const Checks = R"js((function (name) { const $ = (id) => document.getElementById(id);
const checks = {
'Reloj digital': () => /^\d\d:\d\d:\d\d$/.test($('reloj').textContent),
'Fecha en español': () => /^Hoy es (lunes|martes|miércoles|jueves|viernes|sábado|domingo), \d{1,2} de [a-z]+ de \d{4}$/.test($('fecha').textContent),
'Cuenta atrás': () => /^\d+ días, \d+ h \d+ min \d+ s$/.test($('cuenta-atras').textContent),
'Texto máquina de escribir': () => { const t = $('maquina').textContent;
  return t.length > 3 && maquinaTexto.startsWith(t); },
'Marquesina': () => /^translateX\(-?\d+px\)$/.test(document.querySelector('#marquesina span').style.transform),
'Texto con colores cambiantes': () => { const p = document.querySelectorAll('#arcoiris span');
  return p.length === Array.from('¡Feliz cumpleaños!').length && p[0].style.color !== ''; },
'Validación de formulario': () => { const f = document.forms[0];
  f.nombre.value = ''; f.correo.value = 'ana@'; f.edad.value = '';
  const vacio = validarFormulario(f), aviso = $('error-correo').textContent;
  f.nombre.value = 'Ana'; f.correo.value = 'ana@ejemplo.es'; f.edad.value = '30';
  return !vacio && aviso !== '' && validarFormulario(f) && $('error-correo').textContent === ''; },
'Contador de caracteres': () => { const a = $('mensaje'); a.value = 'Hola';
  a.dispatchEvent(new Event('input'));
  return $('contador-mensaje').textContent === 'Quedan 136 caracteres'; },
'Calculadora de IVA': () => { $('iva-base').value = '10,55'; calcularIva();
  return /^IVA: 2,22\s€ · Total: 12,77\s€$/.test($('iva-resultado').textContent); },
'Galería de imágenes con miniaturas': () => {
  document.querySelectorAll('.galeria-miniatura')[2].click(); const g = $('galeria-grande');
  return g.src.endsWith('resources/paisaje3.jpg') && g.complete && g.naturalWidth === 320
    && $('galeria-pie').textContent === 'Noche estrellada'; },
'Imagen aleatoria': () => { const i = $('imagen-aleatoria');
  return /resources\/paisaje[123]\.jpg$/.test(i.src) && i.complete && i.naturalWidth === 320; },
'Cambio de imagen al pasar el ratón': () => { const i = document.querySelector('img[alt=Inicio]');
  i.dispatchEvent(new MouseEvent('mouseover'));
  const encima = i.src.endsWith('resources/boton-inicio-on.gif');
  i.dispatchEvent(new MouseEvent('mouseout'));
  return encima && i.src.endsWith('resources/boton-inicio.gif')
    && rolloverPrecarga[0].naturalWidth === 120; },
'Menú desplegable': () => { const a = document.querySelector('#menu-desplegable > li > a');
  const shown = () => getComputedStyle(a.parentNode.querySelector('ul')).display;
  a.parentNode.classList.remove('abierto'); if (shown() !== 'none') return false;
  a.click(); return shown() === 'block'; },
'Volver arriba': () => { const b = $('volver-arriba'); window.scrollTo(0, 600);
  return b.style.display === 'block' && b.naturalWidth === 40; },
'Ventana emergente centrada': () => { let pedida = null; const abrir = window.open;
  window.open = (u, n, f) => { pedida = f; return { focus: () => {} }; };
  const abierta = abrirVentanaCentrada('resources/paisaje2.jpg', 340, 220);
  window.open = () => null;
  const bloqueada = abrirVentanaCentrada('resources/paisaje2.jpg', 340, 220);
  window.open = abrir;
  return abierta === false && bloqueada === true
    && /^width=340,height=220,left=\d+,top=\d+,/.test(pedida); },
'Generador de contraseñas': () => { const c = $('clave-resultado').value;
  $('clave-longitud').value = '20'; generarContrasena(); const d = $('clave-resultado').value;
  $('clave-longitud').value = '12'; generarContrasena();
  return c.length === 12 && d.length === 20 && c !== d.substring(0, 12); },
};
return checks[name] ? checks[name]() : 'sin comprobación'; }))js";

// Records the errors a page reports; opens no windows and shows no alerts.
class RecordingPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList errors;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString&) override
    {
        if (level == ErrorMessageLevel)
            errors << QStringLiteral("%1 (línea %2)").arg(message).arg(line);
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
    void javaScriptAlert(const QUrl&, const QString&) override {}
};

} // namespace

class TestShippedData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void libraryIsWholeAndItsLinksShip();
    void picturesAndIconsDraw();
    void everyShippedScriptRunsInTheWebEngine();

private:
    QTemporaryDir dir_;
    std::unique_ptr<LibraryStore> store_;
};

void TestShippedData::initTestCase()
{
    // A copy beside a resources folder, as the program's own pages stand; the staged folder
    // stays untouched.
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("resources")));
    QVERIFY(QFile::copy(ProgramDir + QLatin1Char('/') + LibraryFileName,
                        dir_.filePath(LibraryFileName)));
    const QDir shipped(ProgramDir + QStringLiteral("/resources"));
    for (const QString& name : shipped.entryList(QDir::Files))
        QVERIFY(QFile::copy(shipped.filePath(name),
                            dir_.filePath(QStringLiteral("resources/") + name)));
    store_ = LibraryStore::open(dir_.filePath(LibraryFileName));
}

void TestShippedData::libraryIsWholeAndItsLinksShip()
{
    // Categories form a tree at least three deep with every one reachable, and names are
    // unique: saving finds a category or type again by its name.
    QSet<QString> names;
    int deepest = 0;
    std::vector<std::pair<qint64, int>> pending = {{0, 0}};
    while (!pending.empty()) {
        const auto [parent, depth] = pending.back();
        pending.pop_back();
        deepest = qMax(deepest, depth);
        for (const Category& c : store_->childCategories(parent)) {
            const QString key = c.nombre.trimmed().toCaseFolded();
            QVERIFY2(!key.isEmpty() && !names.contains(key), qPrintable(c.nombre));
            names.insert(key);
            pending.push_back({c.id, depth + 1});
        }
    }
    QVERIFY(deepest >= 3);
    QCOMPARE(std::size_t(names.size()), store_->categoriesByName().size());
    QSet<QString> types;
    for (const ScriptType& t : store_->typesByName())
        types.insert(t.nombre.toCaseFolded());
    QCOMPARE(std::size_t(types.size()), store_->typesByName().size());

    // Every script complete, and its related files exactly those its code links to ("export
    // copies the rows": a link without a row breaks in the user's page), all shipped.
    static const QRegularExpression link(QStringLiteral("resources/([A-Za-z0-9_.-]+)"));
    std::map<QString, int> users;
    QSet<QString> scripts;
    for (const ScriptListing& entry : store_->scriptsByName()) {
        const auto s = store_->script(entry.id);
        const QByteArray label = entry.nombre.toUtf8();
        QVERIFY2(s && !scripts.contains(s->nombre.toCaseFolded()), label);
        scripts.insert(s->nombre.toCaseFolded());
        QVERIFY2(store_->category(s->idCategoria) && store_->typeName(s->idTipo), label);
        QVERIFY2(!s->navegadores.isEmpty() && s->scriptAyuda.length() > 80 &&
                     s->nombreFichero.isEmpty() && !s->scriptHtml.trimmed().isEmpty(),
                 label);
        QVERIFY2(s->scriptHead.trimmed().startsWith(QLatin1String("<script>")) &&
                     s->scriptHead.contains(QLatin1String("</script>")),
                 label);
        // The body text is attributes of the body tag; line ends are the program's to add.
        QVERIFY2(!s->scriptBody.contains(QLatin1Char('<')), label);
        QVERIFY2(!(s->scriptHead + s->scriptHtml + s->scriptAyuda).contains(QLatin1Char('\r')),
                 label);
        QSet<QString> rows, linked;
        for (const RelatedFile& f : store_->relatedFiles(entry.id)) {
            QVERIFY2(!rows.contains(f.nombre), qPrintable(f.nombre));
            rows.insert(f.nombre);
            ++users[f.nombre];
        }
        for (const QString& text : {s->scriptHead, s->scriptBody, s->scriptHtml})
            for (auto it = link.globalMatch(text); it.hasNext();)
                linked.insert(it.next().captured(1));
        QCOMPARE(rows, linked);
    }
    QVERIFY(scripts.size() >= 12);
    QVERIFY(std::any_of(users.begin(), users.end(), [](const auto& u) { return u.second >= 2; }));
    // Nothing ships in resources/ that no script uses, nor is a used file missing.
    QStringList used;
    for (const auto& u : users)
        used.append(u.first);
    QCOMPARE(QDir(DataDir + QStringLiteral("/resources")).entryList(QDir::Files, QDir::Name), used);
}

void TestShippedData::picturesAndIconsDraw()
{
    // The pictures the pages name, in the formats their names promise.
    for (const char* name : {"script.gif", "categoria.gif", "logo text2.jpg", "banner3.gif"}) {
        QImageReader reader(ProgramDir + QLatin1Char('/') + QLatin1String(name));
        QCOMPARE(reader.format(),
                 QFileInfo(reader.fileName()).suffix().replace(u"jpg"_s, u"jpeg"_s).toLatin1());
        QVERIFY2(hasOpaquePixels(reader.read()), name);
    }
    // The icons of the windows, compiled into the program.
    for (const char* name :
         {"insertar", "editar", "exportar", "borrar", "enviar", "aceptar", "salir", "preview",
          "categoria", "script", "korvalis", "arrastrar", "logo"}) {
        const QIcon icon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
        QVERIFY2(hasOpaquePixels(icon.pixmap(16).toImage()), name);
        QVERIFY2(hasOpaquePixels(icon.pixmap(32).toImage()), name);
    }
}

void TestShippedData::everyShippedScriptRunsInTheWebEngine()
{
    QWebEngineView view;
    RecordingPage page;
    view.setPage(&page);
    view.resize(800, 600);
    view.show();
    const QString path = dir_.filePath(QStringLiteral("js.htm"));
    for (const ScriptListing& entry : store_->scriptsByName()) {
        const auto script = store_->script(entry.id);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write((QStringLiteral("<html><head><meta charset=\"utf-8\"><title></title>\n") +
                    script->scriptHead + QStringLiteral("\n</head>\n<body ") + script->scriptBody +
                    QStringLiteral(" >\n") + script->scriptHtml +
                    QStringLiteral("\n</body></html>\n"))
                       .toUtf8());
        file.close();

        page.errors.clear();
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl::fromLocalFile(path));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 10000);
        QVERIFY2(loaded.first().first().toBool(), qPrintable(entry.nombre));
        const QString check =
            QString::fromUtf8(Checks) + QStringLiteral("('%1')").arg(entry.nombre);
        QVariant result;
        for (int attempt = 0; attempt < 40 && result != QVariant(true); ++attempt) {
            if (attempt > 0)
                QTest::qWait(100);
            bool done = false;
            page.runJavaScript(check, [&](const QVariant& v) {
                result = v;
                done = true;
            });
            QVERIFY(QTest::qWaitFor([&] { return done; }, 5000));
        }
        QVERIFY2(result == QVariant(true),
                 qPrintable(entry.nombre + QLatin1Char(' ') + result.toString()));
        QVERIFY2(page.errors.isEmpty(), qPrintable(entry.nombre + QStringLiteral(": ") +
                                                   page.errors.join(QLatin1Char('\n'))));
    }
}

QTEST_MAIN(TestShippedData)
#include "test_shippeddata.moc"
