// The reference for the terms window: a bare Qt Widgets window of the same size, with a title
// and nothing else, started by the benchmark as it starts the program.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Referencia"));
    // The terms window's size at 96 DPI.
    window.setFixedSize(479, 248);
    window.show();
    return QApplication::exec();
}
