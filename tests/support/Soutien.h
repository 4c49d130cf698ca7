#pragma once
// Helpers shared by the tests.
#include "Delai.h"
#include "PDialogues.h"
#include "UBmp.h"
#include "UFit.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <vector>

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

// A user at the dialogs: open and save dialogs get the names queued, modal
// forms go to Modal (Cancel when unset), questions Yes, boxes OK; every
// request is kept in Vus.
struct TUtilisateurTest {
    QStringList AOuvrir;
    QString AEnregistrer;
    std::function<int(QDialog&)> Modal;
    std::vector<TDemandeDialogue> Vus;
    Dialogues::TRepondeur Repondeur();
    // Requests of that kind whose text holds `texte`.
    int Compter(TGenreDemande genre, const QString& texte = {}) const;
};

class TMain;
// Closes the frame without the unsaved-image questions.
void FermerCadreSansQuestion(TMain* cadre);

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

// ---- cfitsio as a peer. Without cfitsio these fail the calling test. ----

// Writes a FITS file with cfitsio: a primary image of the given BITPIX and
// axes (NAXIS1 first), the raw samples in file order (x fastest, first row =
// bottom row), stored unscaled, and BSCALE/BZERO cards when not 1 and 0.
// False (and a test failure) when cfitsio is missing or fails.
bool EcrireFitCfitsio(const QString& nom, int bitpix, const std::vector<long>& axes, const std::vector<double>& bruts,
                      double bscale = 1, double bzero = 0);
// The first plane of the primary image as cfitsio reads it into doubles
// (BSCALE/BZERO applied), in our pixel order: column by column, top row
// first. Empty (and a test failure) when cfitsio is missing or fails.
std::vector<double> LireFitCfitsio(const QString& nom);

// Bytes this process has read from files so far (/proc/self/io): a reader
// that must not read a whole file is checked by the difference.
qint64 OctetsLusParLeProcessus();

// A named pipe, made and removed with the object. A reader that opens it
// would wait for a writer for ever: while it exists the test has a deadline.
class TTubeNomme {
public:
    explicit TTubeNomme(QString nom);
    ~TTubeNomme();
    const QString& Nom() const { return FNom; }

private:
    TDelaiMaximal FDelai;
    QString FNom;
};
