#include "PDialogues.h"

#include <QApplication>
#include <QColorDialog>
#include <QDateTime>
#include <QDir>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <vector>

namespace {
Dialogues::TRepondeur& Repondeur()
{
    static Dialogues::TRepondeur r;
    return r;
}
std::vector<TDemandeDialogue>& JournalInterne()
{
    static std::vector<TDemandeDialogue> j;
    return j;
}

QString TitreApplication()
{
    return QStringLiteral("Stelor");
}

// Asks the responder when there is one, and records the request for it.
// Without one (the running program) nothing is kept: the journal would grow
// with every box of a long session.
bool Repondre(TDemandeDialogue d, TReponseDialogue& reponse)
{
    if (!Repondeur())
        return false;
    reponse = Repondeur()(d);
    d.Dialogue = nullptr; // never kept past the call
    JournalInterne().push_back(d);
    return true;
}

int Boite(TGenreDemande genre, const QString& texte)
{
    TReponseDialogue r;
    r.Resultat = genre == TGenreDemande::Question ? mrNo : mrOk;
    if (Repondre({genre, TitreApplication(), texte, {}, nullptr, {}}, r))
        return r.Resultat;
    QWidget* parent = QApplication::activeWindow();
    switch (genre) {
    case TGenreDemande::Question:
        return QMessageBox::question(parent, TitreApplication(), texte, QMessageBox::Yes | QMessageBox::No)
                       == QMessageBox::Yes
                   ? mrYes
                   : mrNo;
    case TGenreDemande::Erreur:
        QMessageBox::critical(parent, TitreApplication(), texte);
        return mrOk;
    case TGenreDemande::Avertissement:
        QMessageBox::warning(parent, TitreApplication(), texte);
        return mrOk;
    default:
        QMessageBox::information(parent, TitreApplication(), texte);
        return mrOk;
    }
}

// The extensions of the filter's patterns, in order, e.g.
// "Fichiers Fit (*.fit);;Fichier bitmap (*.bmp)" -> fit, bmp.
QStringList Extensions(const QString& filtre)
{
    static const QRegularExpression motif(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    QStringList extensions;
    for (auto m = motif.globalMatch(filtre); m.hasNext();)
        extensions << m.next().captured(1);
    return extensions;
}

// First pattern of the first filter, e.g. "Fichiers Fit (*.fit)" -> "fit".
QString ExtensionParDefaut(const QString& filtre) { return Extensions(filtre).value(0); }

// The name with the extension added when it has none, by the rule the file
// dialog applies before its overwrite question.
QString AvecExtension(const QString& nom, const QString& ext)
{
    if (nom.isEmpty() || ext.isEmpty() || QFileInfo(nom).fileName().contains(QLatin1Char('.')))
        return nom;
    return nom + QLatin1Char('.') + ext;
}

// Qt's file list writes sizes and dates in the system's language: the
// dialogs show them in French, whatever the system says. Only what is drawn
// changes: a model set between the list and its files would break the
// dialog's selection of the names typed in its name field.
class TDelegueFichiersFrancais : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto* fichiers = qobject_cast<const QFileSystemModel*>(index.model());
        if (!fichiers || (index.column() != 1 && index.column() != 3))
            return;
        const QLocale francais(QLocale::French, QLocale::France);
        if (index.column() == 3)
            option->text = francais.toString(fichiers->lastModified(index), QLocale::ShortFormat);
        else
            option->text = fichiers->isDir(index) ? QString() : francais.formattedDataSize(fichiers->size(index));
    }
};

// Qt sizes the file list's columns for English texts: the French titles,
// sizes, dates and kinds of files would be cut. Each column gets the width
// of the widest text it can show, the places beside it the width of their
// names, and the dialog grows to hold both.
void ElargirColonnes(QFileDialog& d)
{
    auto* vue = d.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!vue)
        return;
    QHeaderView* entete = vue->header();
    const QFontMetrics fm(vue->font());
    const QLocale francais(QLocale::French, QLocale::France);
    // The list draws its texts inside this margin, on each side.
    const int marge = 2 * (vue->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, vue) + 1) + 2;
    std::vector<QStringList> textes(4);
    for (const qint64 n : {qint64(1023), (qint64(1) << 20) - 6, (qint64(1) << 30) - 6, (qint64(1) << 40) - 6})
        textes[1] << francais.formattedDataSize(n);
    textes[2] << QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms");
    const QMimeDatabase types;
    for (const QString& extension : Extensions(d.nameFilters().join(QStringLiteral(";;"))))
        textes[2] << types.mimeTypeForFile(QStringLiteral("x.") + extension, QMimeDatabase::MatchExtension).comment();
    textes[3] << francais.toString(QDateTime(QDate(2000, 12, 28), QTime(20, 58)), QLocale::ShortFormat);
    int total = 0;
    for (int c = 0; c < entete->count(); ++c) {
        int largeur = std::max(entete->sectionSize(c), entete->sectionSizeHint(c));
        if (c < int(textes.size()))
            for (const QString& t : textes[c])
                largeur = std::max(largeur, fm.horizontalAdvance(t) + marge);
        entete->resizeSection(c, largeur);
        total += largeur;
    }
    vue->setMinimumWidth(total + 2 * vue->frameWidth() + vue->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    if (auto* lieux = d.findChild<QListView*>(QStringLiteral("sidebar")))
        lieux->setMinimumWidth(lieux->sizeHintForColumn(0) + 2 * lieux->frameWidth() + marge);
}

// Qt's own dialog everywhere: the same extension rule, the same overwrite
// question and the same French texts whatever the desktop.
void PreparerDialogueFichier(QFileDialog& d)
{
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setLocale(QLocale(QLocale::French, QLocale::France));
    d.setItemDelegate(new TDelegueFichiersFrancais(&d));
    ElargirColonnes(d);
}

// What the open dialog chose. Qt leaves out a typed name that the file type
// shown hides (a .bmp typed under "Fichier fit"): every typed name of an
// existing file comes back, in the order typed, with whatever else it chose.
QStringList FichiersChoisis(const QFileDialog& d)
{
    const QStringList choisis = d.selectedFiles();
    const auto* champ = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString texte = champ ? champ->text() : QString();
    QStringList tapes;
    static const QRegularExpression entreGuillemets(QStringLiteral("\"([^\"]+)\""));
    if (texte.contains(QLatin1Char('"'))) {
        for (const QRegularExpressionMatch& m : entreGuillemets.globalMatch(texte))
            tapes << m.captured(1);
    } else if (!texte.isEmpty()) {
        tapes << texte;
    }
    QStringList r;
    for (const QString& t : tapes)
        if (const QString chemin = QDir::cleanPath(d.directory().absoluteFilePath(t));
            QFileInfo(chemin).isFile() && !r.contains(chemin))
            r << chemin;
    for (const QString& c : choisis)
        if (!r.contains(c))
            r << c;
    return r;
}
} // namespace

namespace Dialogues {

void InstallerRepondeur(TRepondeur repondeur) { Repondeur() = std::move(repondeur); }
void RetirerRepondeur() { Repondeur() = nullptr; }
TRepondeur RepondeurCourant() { return Repondeur(); }
bool RepondeurInstalle() { return static_cast<bool>(Repondeur()); }
const std::vector<TDemandeDialogue>& Journal() { return JournalInterne(); }
void ViderJournal() { JournalInterne().clear(); }

void Information(const QString& texte) { Boite(TGenreDemande::Information, texte); }
void Avertissement(const QString& texte) { Boite(TGenreDemande::Avertissement, texte); }
bool Question(const QString& texte) { return Boite(TGenreDemande::Question, texte) == mrYes; }
int QuestionOuiNon(const QString& texte) { return Boite(TGenreDemande::Question, texte); }
void Erreur(const QString& texte) { Boite(TGenreDemande::Erreur, texte); }

int ExecuterModal(QDialog& dialogue)
{
    TReponseDialogue r;
    r.Resultat = mrCancel;
    if (Repondre({TGenreDemande::Modal, dialogue.windowTitle(), {}, {}, &dialogue, dialogue.objectName()}, r)) {
        if (dialogue.isVisible())
            dialogue.hide();
        return r.Resultat;
    }
    const int res = dialogue.exec();
    return res == QDialog::Accepted ? mrOk : (res == QDialog::Rejected ? mrCancel : res);
}

QStringList ChoisirFichiersOuverture(QWidget* parent, const QString& titre, const QString& filtre,
                                     const QString& dossier, bool multiple)
{
    TReponseDialogue r;
    if (Repondre({TGenreDemande::OuvrirFichiers, titre, filtre, dossier, nullptr, {}}, r))
        return multiple ? r.Fichiers : r.Fichiers.mid(0, 1);
    QFileDialog d(parent, titre, dossier, filtre);
    PreparerDialogueFichier(d);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (d.exec() != QDialog::Accepted)
        return {};
    return multiple ? FichiersChoisis(d) : d.selectedFiles();
}

QString ChoisirFichierEnregistrement(QWidget* parent, const QString& titre, const QString& filtre,
                                     const QString& nomPropose)
{
    const QString ext = ExtensionParDefaut(filtre);
    TReponseDialogue r;
    // The responder stands for the dialog: it gets the same extension rule.
    if (Repondre({TGenreDemande::EnregistrerFichier, titre, filtre, nomPropose, nullptr, {}}, r))
        return AvecExtension(r.Fichiers.value(0), ext);
    QFileDialog d(parent, titre, nomPropose, filtre);
    PreparerDialogueFichier(d);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    // The dialog adds the extension itself, before it asks whether to replace
    // a file: the question names the file that will be written.
    d.setDefaultSuffix(ext);
    if (d.exec() != QDialog::Accepted)
        return {};
    return d.selectedFiles().value(0);
}

QColor ChoisirCouleur(QWidget* parent, const QColor& initiale)
{
    TReponseDialogue r;
    if (Repondre({TGenreDemande::Couleur, {}, {}, {}, nullptr, {}}, r))
        return r.Couleur;
    return QColorDialog::getColor(initiale, parent);
}

QString ChoisirDossier(QWidget* parent, const QString& titre, const QString& dossier)
{
    TReponseDialogue r;
    if (Repondre({TGenreDemande::Dossier, titre, {}, dossier, nullptr, {}}, r))
        return r.Fichiers.value(0);
    QFileDialog d(parent, titre, dossier);
    PreparerDialogueFichier(d);
    d.setFileMode(QFileDialog::Directory);
    d.setOption(QFileDialog::ShowDirsOnly);
    if (d.exec() != QDialog::Accepted)
        return {};
    return d.selectedFiles().value(0);
}

} // namespace Dialogues
