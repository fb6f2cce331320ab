#include <QApplication>

int main(int argc, char** argv) {
    QApplication 程序(argc, argv);
    return 0;
}
