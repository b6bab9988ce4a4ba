// Every ready-made script of the shipped library, run in the real web engine.
#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>
#include <map>

using namespace library;

namespace {

const QString ProgramDir = QStringLiteral(KORVALIS_PROGRAM_DIR);

// For each shipped script, an expression that is true once the script has done its work.
const std::map<QString, QString>& checks()
{
    static const std::map<QString, QString> table = {
        {QStringLiteral("Reloj digital"),
         QStringLiteral(
             R"(/^\d\d:\d\d:\d\d$/.test(document.getElementById('reloj').textContent))")},
        {QStringLiteral("Fecha en español"),
         QStringLiteral(
             R"(/^Hoy es (lunes|martes|miércoles|jueves|viernes|sábado|domingo), \d{1,2} de [a-z]+ de \d{4}$/)"
             R"(.test(document.getElementById('fecha').textContent))")},
        {QStringLiteral("Cuenta atrás"),
         QStringLiteral(R"(/^\d+ días, \d+ h \d+ min \d+ s$/)"
                        R"(.test(document.getElementById('cuenta-atras').textContent))")},
        {QStringLiteral("Texto máquina de escribir"),
         QStringLiteral("(function () { const t = document.getElementById('maquina').textContent;"
                        " return t.length > 3 && maquinaTexto.startsWith(t); })()")},
        {QStringLiteral("Marquesina"),
         QStringLiteral("/^translateX\\(-?\\d+px\\)$/"
                        ".test(document.querySelector('#marquesina span').style.transform)")},
        {QStringLiteral("Texto con colores cambiantes"),
         QStringLiteral("(function () { const p = document.querySelectorAll('#arcoiris span');"
                        " return p.length === Array.from('¡Feliz cumpleaños!').length"
                        " && p[0].style.color !== ''; })()")},
        {QStringLiteral("Validación de formulario"),
         QStringLiteral("(function () { const f = document.forms[0];"
                        " f.nombre.value = ''; f.correo.value = 'ana@'; f.edad.value = '';"
                        " const vacio = validarFormulario(f);"
                        " const aviso = document.getElementById('error-correo').textContent;"
                        " f.nombre.value = 'Ana'; f.correo.value = 'ana@ejemplo.es';"
                        " f.edad.value = '30';"
                        " return !vacio && aviso !== '' && validarFormulario(f)"
                        " && document.getElementById('error-correo').textContent === ''; })()")},
        {QStringLiteral("Contador de caracteres"),
         QStringLiteral("(function () { const a = document.getElementById('mensaje');"
                        " a.value = 'Hola'; a.dispatchEvent(new Event('input'));"
                        " return document.getElementById('contador-mensaje').textContent"
                        " === 'Quedan 136 caracteres'; })()")},
        {QStringLiteral("Calculadora de IVA"),
         QStringLiteral(R"((function () { document.getElementById('iva-base').value = '10,55';)"
                        R"( calcularIva(); return /^IVA: 2,22\s€ · Total: 12,77\s€$/)"
                        R"(.test(document.getElementById('iva-resultado').textContent); })())")},
        {QStringLiteral("Galería de imágenes con miniaturas"),
         QStringLiteral("(function () { document.querySelectorAll('.galeria-miniatura')[2].click();"
                        " const g = document.getElementById('galeria-grande');"
                        " return g.src.endsWith('resources/paisaje3.jpg') && g.complete"
                        " && g.naturalWidth === 320"
                        " && document.getElementById('galeria-pie').textContent"
                        " === 'Noche estrellada'; })()")},
        {QStringLiteral("Imagen aleatoria"),
         QStringLiteral("(function () { const i = document.getElementById('imagen-aleatoria');"
                        " return /resources\\/paisaje[123]\\.jpg$/.test(i.src) && i.complete"
                        " && i.naturalWidth === 320; })()")},
        {QStringLiteral("Cambio de imagen al pasar el ratón"),
         QStringLiteral("(function () { const i = document.querySelector('img[alt=Inicio]');"
                        " i.dispatchEvent(new MouseEvent('mouseover'));"
                        " const encima = i.src.endsWith('resources/boton-inicio-on.gif');"
                        " i.dispatchEvent(new MouseEvent('mouseout'));"
                        " return encima && i.src.endsWith('resources/boton-inicio.gif')"
                        " && rolloverPrecarga[0].naturalWidth === 120; })()")},
        {QStringLiteral("Menú desplegable"),
         QStringLiteral(
             "(function () { const a = document.querySelector('#menu-desplegable > li > a');"
             " a.parentNode.classList.remove('abierto');"
             " if (getComputedStyle(a.parentNode.querySelector('ul')).display !== 'none')"
             " return false; a.click();"
             " return getComputedStyle(a.parentNode.querySelector('ul')).display"
             " === 'block'; })()")},
        {QStringLiteral("Volver arriba"),
         QStringLiteral("(function () { const b = document.getElementById('volver-arriba');"
                        " window.scrollTo(0, 600);"
                        " return b.style.display === 'block' && b.naturalWidth === 40; })()")},
        {QStringLiteral("Ventana emergente centrada"),
         QStringLiteral(
             "(function () { let pedida = null; const abrir = window.open;"
             " window.open = function (u, n, f) { pedida = f;"
             " return { focus: function () {} }; };"
             " const abierta = abrirVentanaCentrada('resources/paisaje2.jpg', 340, 220);"
             " window.open = function () { return null; };"
             " const bloqueada = abrirVentanaCentrada('resources/paisaje2.jpg', 340, 220);"
             " window.open = abrir;"
             " return abierta === false && bloqueada === true"
             " && /^width=340,height=220,left=\\d+,top=\\d+,/.test(pedida); })()")},
        {QStringLiteral("Generador de contraseñas"),
         QStringLiteral("(function () {"
                        " const c = document.getElementById('clave-resultado').value;"
                        " document.getElementById('clave-longitud').value = '20';"
                        " generarContrasena();"
                        " const d = document.getElementById('clave-resultado').value;"
                        " document.getElementById('clave-longitud').value = '12';"
                        " generarContrasena();"
                        " return c.length === 12 && d.length === 20"
                        " && c !== d.substring(0, 12); })()")},
    };
    return table;
}

// Records what a page reports, instead of showing dialogs or opening windows.
class RecordingPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList errors;
    QStringList alerts;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString&) override
    {
        if (level == ErrorMessageLevel)
            errors << QStringLiteral("%1 (línea %2)").arg(message).arg(line);
    }
    void javaScriptAlert(const QUrl&, const QString& msg) override { alerts << msg; }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

QVariant evaluate(QWebEnginePage& page, const QString& script)
{
    QVariant result;
    bool done = false;
    page.runJavaScript(script, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 5000))
        return QStringLiteral("sin respuesta");
    return result;
}

} // namespace

class TestShippedScripts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyShippedScriptRunsInTheWebEngine();

private:
    QTemporaryDir dir_;
    std::unique_ptr<LibraryStore> store_;
};

void TestShippedScripts::initTestCase()
{
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("resources")));
    const QString copy = dir_.filePath(LibraryFileName);
    QVERIFY(QFile::copy(ProgramDir + QLatin1Char('/') + LibraryFileName, copy));
    store_ = LibraryStore::open(copy);
    // The pages sit beside a resources folder, as the program's own pages do.
    const QDir shipped(ProgramDir + QStringLiteral("/resources"));
    for (const QString& name : shipped.entryList(QDir::Files))
        QVERIFY(QFile::copy(shipped.filePath(name),
                            dir_.filePath(QStringLiteral("resources/") + name)));
}

void TestShippedScripts::everyShippedScriptRunsInTheWebEngine()
{
    QWebEngineView view;
    RecordingPage page;
    view.setPage(&page);
    view.resize(800, 600);
    view.show();

    const auto listing = store_->scriptsByName();
    QVERIFY(!listing.empty());
    for (const ScriptListing& entry : listing) {
        const auto script = store_->script(entry.id);
        QVERIFY(script);
        const auto check = checks().find(script->nombre);
        QVERIFY2(check != checks().end(),
                 qPrintable(QStringLiteral("sin comprobación: ") + script->nombre));

        const QString html =
            QStringLiteral("<html><head><meta charset=\"utf-8\"><title></title>\n") +
            script->scriptHead + QStringLiteral("\n</head>\n<body ") + script->scriptBody +
            QStringLiteral(" >\n") + script->scriptHtml + QStringLiteral("\n</body></html>\n");
        const QString path = dir_.filePath(QStringLiteral("js.htm"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(html.toUtf8());
        file.close();

        page.errors.clear();
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl::fromLocalFile(path));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 10000);
        QVERIFY2(loaded.first().first().toBool(), qPrintable(script->nombre));

        bool passed = false;
        for (int attempt = 0; attempt < 40 && !passed; ++attempt) {
            passed = evaluate(page, check->second).toBool();
            if (!passed)
                QTest::qWait(100);
        }
        QVERIFY2(passed, qPrintable(script->nombre));
        QVERIFY2(page.errors.isEmpty(), qPrintable(script->nombre + QStringLiteral(": ") +
                                                   page.errors.join(QLatin1Char('\n'))));
    }
}

QTEST_MAIN(TestShippedScripts)
#include "test_shippedscripts.moc"
