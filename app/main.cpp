#include "PApplication.h"

#include <QMainWindow>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // Without a display the xcb plugin aborts: say so plainly instead.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "Stelor : aucun affichage graphique (DISPLAY n'est pas défini).\n");
        return 1;
    }
    TApplication app(argc, argv);
    QMainWindow fenetre;
    fenetre.setWindowTitle(QStringLiteral("Stelor"));
    fenetre.showMaximized();
    return app.exec();
}
