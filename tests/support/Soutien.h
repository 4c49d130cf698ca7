#pragma once
// Helpers shared by the tests.
#include "PDialogues.h"
#include "UBmp.h"
#include "UFit.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>

// Path of a real image shipped beside the project.
QString CheminDonnees(const QString& nom);

// Answers every dialog while alive, then restores the previous state.
class TRepondeurTest {
public:
    explicit TRepondeurTest(Dialogues::TRepondeur r);
    ~TRepondeurTest();

private:
    Dialogues::TRepondeur FPrecedent;
};

// What every test gets when it installs nothing: no dialog ever blocks; boxes
// answer OK, questions No, forms Cancel, file dialogs nothing.
TReponseDialogue ReponseParDefaut(const TDemandeDialogue& d);

// Answers message boxes with OK/Yes (or the given result) and records them.
Dialogues::TRepondeur RepondreToujours(int resultat = mrOk);

// Runs a program; returns its exit code and fills its output (stdout+stderr).
int LancerProgramme(const QString& programme, const QStringList& arguments, QString* sortie = nullptr,
                    int delaiMs = 60000);

// FIT image w x h whose pixel (x, y) is f(x, y); Min/Max those of the pixels.
THistoFit ImageFitDe(int w, int h, const std::function<double(int, int)>& f);

// The FIT file read into a fresh object.
THistoFit FitLu(const QString& nom);

// 8-bit grey (canaux 1) or 24-bit (canaux 3) bitmap whose byte c of pixel (x, y) is f(x, y, c).
QImage BitmapDe(int w, int h, int canaux, const std::function<int(int, int, int)>& f);

// Byte c of pixel (x, y) of an 8-bit or 24-bit bitmap.
uchar OctetDe(const QImage& b, int x, int y, int c = 0);

// The BMP object holding the bitmap, Min/Max those of its bytes.
THistoBmp ObjetBmpDe(const QImage& b);
