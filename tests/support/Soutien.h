#pragma once
// Helpers shared by the tests.
#include "Delai.h"
#include "PDialogues.h"
#include "UBmp.h"
#include "UFit.h"

#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

class QFileDialog;

// Failures show Qt's strings as text.
inline void PrintTo(const QString& s, std::ostream* os) { *os << ::testing::PrintToString(s.toStdString()); }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << ::testing::PrintToString(b.toStdString()); }
inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << 'x' << s.height(); }
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << '(' << p.x() << ", " << p.y() << ')'; }

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
// forms go to Modal (Cancel when unset), questions Question, boxes OK; every
// request is kept in Vus.
struct TUtilisateurTest {
    QStringList AOuvrir;
    QString AEnregistrer;
    int Question = mrYes;
    std::function<int(QDialog&)> Modal;
    std::vector<TDemandeDialogue> Vus;
    Dialogues::TRepondeur Repondeur();
    // Requests of that kind whose text holds `texte`.
    int Compter(TGenreDemande genre, const QString& texte = {}) const;
};

// The real modal windows played as a user would. While it lives the dialogs
// are shown for real (the responder is put aside, and put back by the
// destructor whatever the test did) and the modal window on top is handed to
// Agir, from a fresh event, again and again while it stays on top: an action
// the window did not take is simply made again. A window still on top
// delaiMs after it came there fails the test; from then on every modal window
// is closed as soon as it shows, so that the test goes on and never blocks.
class TPiloteModal {
public:
    explicit TPiloteModal(std::function<void(QWidget&)> agir = {}, int delaiMs = 10000);
    ~TPiloteModal();
    std::function<void(QWidget&)> Agir;

private:
    void Tic();
    Dialogues::TRepondeur FPrecedent;
    int FDelai;
    bool FEchec = false;
    QWidget* FHaut = nullptr;
    QElapsedTimer FDepuis;
    QSet<QWidget*> FEnCours;
    QTimer FMinuterie;
};

// An action for the windows of type T only: the others wait (for the deadline).
template <class T>
std::function<void(QWidget&)> Sur(std::function<void(T&)> action)
{
    return [action](QWidget& w) {
        if (auto* t = qobject_cast<T*>(&w))
            action(*t);
    };
}

// Types the names (absolute, or in the dialog's folder; several are quoted
// one by one) into the file dialog's name field and confirms, as a user does.
void ChoisirDansDialogue(QFileDialog& d, const QStringList& noms);

class TMain;
// Closes the frame without the unsaved-image questions.
void FermerCadreSansQuestion(TMain* cadre);

// What every test gets when it installs nothing: no dialog ever blocks; boxes
// answer OK, questions No, forms Cancel, file dialogs nothing.
TReponseDialogue ReponseParDefaut(const TDemandeDialogue& d);

// The requests of the dialog journal, one a line ("Erreur : texte", "Modal : TZoom"),
// streamed into every check of the journal so that a failure says what was asked.
std::string JournalDialogues();
void PrintTo(const TDemandeDialogue& d, std::ostream* os);
void PrintTo(TGenreDemande genre, std::ostream* os);

// Answers message boxes with OK/Yes (or the given result) and records them.
Dialogues::TRepondeur RepondreToujours(int resultat = mrOk);

// Runs a program; returns its exit code and fills its output (stdout+stderr).
// A program still running after the deadline is killed and fails the test.
int LancerProgramme(const QString& programme, const QStringList& arguments, QString* sortie = nullptr,
                    int delaiMs = 60000);

// ---- The peers. Each failure of a peer fails the calling test. ----

// Runs the named oracle of tests/support/oracles.py (python3 with numpy,
// astropy and Pillow) on the arguments; what it printed, trimmed.
QString Python(const QString& oracle, const QStringList& arguments = {});

// Success when fitsverify finds no error in the file (the warnings a file
// brought with its own cards may stay); the report otherwise.
::testing::AssertionResult AccepteParFitsverify(const QString& nom);

// The files of the list in which fitsverify finds an error, each with its
// line of the report; empty when it accepts them all.
QStringList RefusesParFitsverify(const QStringList& noms);

// The PNM picture djpeg decodes from the JPEG file ("P5" grey, "P6" colour).
QByteArray DecodeParDjpeg(const QString& nom);

// Writes into the folder series of noisy copies of the real images for the
// series windows: brute1..3.fit (saao_raw_u16), dark1..4.fit (hot pixels),
// flat1..3.fit (vignetting), offset1..5.fit, ngc.fit (another size),
// m51_0..1.fit, gris0..3.bmp (8-bit) and couleur0..2.bmp (24-bit).
void EcrireSeriesEssai(const QString& dossier);

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

// The values our reader gives for the values another reader read: a
// negative minimum shifted to 0, non-finite values as 0.
std::vector<double> CommeLeLecteur(std::vector<double> valeurs);

// The image's pixels written as raw doubles (column by column, top row
// first) into the file, for the oracles that compare with them; its name.
QString PixelsBruts(const THistoFit& image, const QString& nom);

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

// A stand-in help viewer "xchm", alone on the PATH while the object lives,
// that records each call's arguments as one line "appel|arg|arg...".
class TLecteurAideEssai {
public:
    explicit TLecteurAideEssai(const QString& dossier);
    ~TLecteurAideEssai();
    // The calls once `n` are recorded (a test failure after 10 s).
    QStringList Appels(int n) const;

private:
    QByteArray FChemin;
    QString FJournal;
};
