#include "PImpression.h"

#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"

#include <QIODevice>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>

namespace {

// Passes the PDF on to the file and keeps its first and last bytes, so that
// a document the writer never finished is not saved as one.
class TControlePdf : public QIODevice {
public:
    explicit TControlePdf(QIODevice& sortie) : FSortie(sortie) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    bool Complet() const
    {
        return FDebut.startsWith("%PDF-") && FFin.trimmed().endsWith("%%EOF");
    }

protected:
    bool isSequential() const override { return true; }
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* donnees, qint64 taille) override
    {
        const qint64 ecrits = FSortie.write(donnees, taille);
        if (ecrits != taille)
            return -1;
        if (FDebut.size() < 8)
            FDebut.append(donnees, qMin<qint64>(taille, 8 - FDebut.size()));
        const qint64 fin = qMin<qint64>(taille, 16);
        FFin = (FFin + QByteArray(donnees + taille - fin, fin)).right(16);
        return taille;
    }

private:
    QIODevice& FSortie;
    QByteArray FDebut, FFin;
};

// Prints the letters as they are: a ligature ("ﬁ" for "fi") is read back
// from the PDF as one sign of its own, and a search for "fit" in a saved
// report would miss it. Latin text needs no shaping; the scripts that do
// keep theirs.
void ImprimerLettreALettre(QTextDocument& document, QPagedPaintDevice& imprimante)
{
    QFont defaut = document.defaultFont();
    defaut.setStyleStrategy(QFont::StyleStrategy(defaut.styleStrategy() | QFont::PreferNoShaping));
    document.setDefaultFont(defaut);
    QTextCharFormat sansFormes;
    sansFormes.setFontStyleStrategy(defaut.styleStrategy());
    QTextCursor tout(&document);
    tout.select(QTextCursor::Document);
    tout.mergeCharFormat(sansFormes);
    document.print(&imprimante);
}

} // namespace

bool Imprimer(QWidget* parent, const QString& titre, const QString& legende,
              const std::function<void(QPagedPaintDevice&)>& dessiner)
{
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        QPrinter imprimante(QPrinterInfo::defaultPrinter());
        imprimante.setDocName(titre);
        dessiner(imprimante);
        return true;
    }
    const QString nom = Dialogues::ChoisirFichierEnregistrement(parent, legende, QStringLiteral("Fichier PDF (*.pdf)"));
    if (nom.isEmpty())
        return false;
    // Drawn straight into the chosen file by the safe write: a failure names
    // that file and why, and leaves neither a PDF nor a draft behind.
    EcrireFichierSur(nom, [&](QIODevice& sortie) {
        TControlePdf controle(sortie);
        {
            QPdfWriter pdf(&controle);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setResolution(1200);
            pdf.setTitle(titre);
            pdf.setCreator(QStringLiteral("Stelor"));
            dessiner(pdf);
        }
        if (!controle.Complet())
            LeverErreurFichier(ES_ErreurEcriture, TSensFichier::Ecriture, nom,
                               QStringLiteral("le document PDF n'a pas pu être terminé"));
    });
    return true;
}

bool ImprimerDocument(QWidget* parent, const QString& titre, const QString& legende, const QTextDocument& document)
{
    return Imprimer(parent, titre, legende, [&document](QPagedPaintDevice& imprimante) {
        const std::unique_ptr<QTextDocument> copie(document.clone());
        ImprimerLettreALettre(*copie, imprimante);
    });
}

bool ImprimerTexte(QWidget* parent, const QString& titre, const QString& legende, const QString& texte,
                   const QFont& police)
{
    return Imprimer(parent, titre, legende, [&](QPagedPaintDevice& imprimante) {
        QTextDocument document;
        QFont p = police;
        if (police.pixelSize() > 0)
            p.setPixelSize(qRound(police.pixelSize() * imprimante.logicalDpiY() / 96.0));
        document.setDefaultFont(p);
        document.setPlainText(texte);
        ImprimerLettreALettre(document, imprimante);
    });
}
