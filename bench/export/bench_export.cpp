// Exporting into pages of 100 KB, 1 MB and 10 MB. Goals: 100 KB under 3 ms, 10 MB under
// 100 ms, time growing linearly with the page.

#include "export/pageedit.h"
#include "export/pagefile.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace exporting;

const PageScript Script{
    7, QStringLiteral("<script>function reloj(){ document.body.x = 1; }</script>"),
    QStringLiteral("onload=\"reloj()\""), QStringLiteral("<div id=\"reloj\"></div>")};

// A page of about `size` bytes: a short head, then the body. With `headShare` the head
// holds that share of the page in a script, so the body tag lies deep in the page.
QByteArray page(qsizetype size, double headShare = 0)
{
    QByteArray p = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta "
                   "charset=\"utf-8\">\r\n<title>Prueba</title>\r\n";
    const QByteArray headLine =
        "var datos = [1, 2, 3, \"<body>\", document.body]; // comentario\r\n";
    p += "<script>\r\n";
    while (p.size() < size * headShare)
        p += headLine;
    p += "</script>\r\n</head>\r\n<body class=\"pagina\" onload=\"inicio()\">\r\n";
    const QByteArray para = "<p class=\"texto\">Un párrafo con <a href=\"otra.html\">un enlace</a> "
                            "y <b>negrita</b>.</p>\r\n";
    while (p.size() < size)
        p += para;
    return p + "</body>\r\n</html>\r\n";
}

void editInMemory(benchmark::State& state, double headShare)
{
    const QByteArray bytes = page(state.range(0), headShare);
    for (auto _ : state) {
        PageEdit edit = editPage(bytes, Script);
        benchmark::DoNotOptimize(edit.page.data());
        if (!edit.ok())
            state.SkipWithError("page refused");
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_EditPage(benchmark::State& state)
{
    editInMemory(state, 0);
}

void BM_EditPageBodyTagAtHalf(benchmark::State& state)
{
    editInMemory(state, 0.5);
}

// The whole export of the page: read, edit, atomic replacement on disk.
void BM_ExportPageFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pagina.html"));
    const QByteArray bytes = page(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.close();
        state.ResumeTiming();
        if (!insertScriptIntoPageFile(path, Script))
            state.SkipWithError("page refused");
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

} // namespace

BENCHMARK(BM_EditPage)->Arg(100 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPageFile)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditPageBodyTagAtHalf)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
