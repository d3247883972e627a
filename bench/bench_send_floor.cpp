// The floor of the program's start: a QApplication made and ended, linked
// against the libraries the program links.
#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}
