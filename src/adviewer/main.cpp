// Tessarin_CM: the advertisement viewer the main program starts while it
// decrypts.

#include "adviewer/CTessarin_CMApp.h"

int main(int argc, char** argv) {
    tessarin::adviewer::CTessarin_CMApp app(argc, argv);
    return app.Run();
}
