// Every script of the shipped library, run in the real web engine with the related files its
// code links to, read from the staged program folder.
#include "library/libraryfile.h"
#include "library/librarystore.h"
#include "tests/support/tempprogramfolder.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

using namespace library;
using namespace Qt::Literals::StringLiterals;

namespace {

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
    void everyShippedScriptRunsWithTheFilesItLinksTo();
};

void TestShippedData::everyShippedScriptRunsWithTheFilesItLinksTo()
{
    // A copy beside the shipped resources, as the program's own pages stand.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"resources"_s));
    const QString program = QStringLiteral(KORVALIS_PROGRAM_DIR "/");
    QVERIFY(QFile::copy(program + LibraryFileName, dir.filePath(LibraryFileName)));
    const QStringList shipped = QDir(program + u"resources"_s).entryList(QDir::Files);
    for (const QString& name : shipped)
        QVERIFY(
            QFile::copy(program + u"resources/"_s + name, dir.filePath(u"resources/"_s + name)));
    const auto store = LibraryStore::open(dir.filePath(LibraryFileName));
    QWebEngineView view;
    RecordingPage page;
    view.setPage(&page);
    view.resize(800, 600);
    view.show();
    static const QRegularExpression link(u"resources/([A-Za-z0-9_.-]+)"_s);
    QSet<QString> used;
    const QString path = dir.filePath(u"js.htm"_s);
    for (const ScriptListing& entry : store->scriptsByName()) {
        const auto script = store->script(entry.id);
        // The export copies the file rows: a link without its row breaks in the user's page.
        QSet<QString> rows, linked;
        for (const RelatedFile& f : store->relatedFiles(entry.id))
            rows.insert(f.nombre);
        for (const QString& text : {script->scriptHead, script->scriptBody, script->scriptHtml})
            for (auto it = link.globalMatch(text); it.hasNext();)
                linked.insert(it.next().captured(1));
        QCOMPARE(rows, linked);
        used += rows;

        TempProgramFolder::writeFile(
            path, (u"<html><head><meta charset=\"utf-8\"><title></title>\n"_s + script->scriptHead +
                   u"\n</head>\n<body "_s + script->scriptBody + u" >\n"_s + script->scriptHtml +
                   u"\n</body></html>\n"_s)
                      .toUtf8());
        page.errors.clear();
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl::fromLocalFile(path));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 10000);
        QVERIFY2(loaded.first().first().toBool(), qPrintable(entry.nombre));
        const QString check = QString::fromUtf8(Checks) + u"('%1')"_s.arg(entry.nombre);
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
        QVERIFY2(result == QVariant(true), qPrintable(entry.nombre + u' ' + result.toString()));
        QVERIFY2(page.errors.isEmpty(),
                 qPrintable(entry.nombre + u": "_s + page.errors.join(u'\n')));
    }
    // Nothing ships that no script uses.
    QCOMPARE(QSet<QString>(shipped.begin(), shipped.end()), used);
}

QTEST_MAIN(TestShippedData)
#include "test_shippeddata.moc"
