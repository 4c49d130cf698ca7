#include "PImpression.h"

#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"

#include <QFileInfo>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTextDocument>
#include <memory>

bool ImprimerTexte(QWidget* parent, const QString& titre, const QTextDocument* document)
{
    const std::unique_ptr<QTextDocument> copie(document->clone());
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        QPrinter imprimante(QPrinterInfo::defaultPrinter());
        imprimante.setDocName(titre);
        copie->print(&imprimante);
        return true;
    }
    // No printer on this system: the printout becomes a PDF file, written
    // aside first so that a failure never leaves half a file under the name.
    const QString nom = Dialogues::ChoisirFichierEnregistrement(parent, QStringLiteral("Imprimer"),
                                                                QStringLiteral("Fichier PDF (*.pdf)"));
    if (nom.isEmpty())
        return false;
    QTemporaryDir dossier;
    const QString brouillon = dossier.path() + QStringLiteral("/impression.pdf");
    {
        QPrinter imprimante(QPrinter::HighResolution);
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setPageSize(QPageSize(QPageSize::A4));
        imprimante.setDocName(titre);
        imprimante.setCreator(QStringLiteral("Stelor"));
        imprimante.setOutputFileName(brouillon);
        copie->print(&imprimante);
    } // the PDF is complete once the printer is gone
    if (!dossier.isValid() || !QFileInfo::exists(brouillon))
        LeverErreur(QStringLiteral("Impossible d'imprimer dans le fichier %1.").arg(nom));
    EcrireFichierSur(nom, LireFichierComplet(brouillon));
    return true;
}
