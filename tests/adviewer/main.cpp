// The viewer's test program: the player, the picture file, the window.

#include <QApplication>

int RunAdPlayerTest(int argc, char** argv);
int RunCmPictureTest(int argc, char** argv);
int RunViewerDialogTest(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    failed += RunAdPlayerTest(argc, argv);
    failed += RunCmPictureTest(argc, argv);
    failed += RunViewerDialogTest(argc, argv);
    return failed == 0 ? 0 : 1;
}
