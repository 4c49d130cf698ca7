#pragma once
// Lists the files a command is about to overwrite, for the user to confirm.
#include <QDialog>
#include <QList>
#include <QString>
#include <memory>
#include <utility>

namespace Ui {
class TConfirmationFichiers;
}

class TConfirmationFichiers : public QDialog {
    Q_OBJECT
public:
    explicit TConfirmationFichiers(QWidget* parent = nullptr);
    ~TConfirmationFichiers() override;

    // The message and the files, each a name and its folder.
    void Preparer(const QString& message, const QList<std::pair<QString, QString>>& fichiers);
    // The files as listed, each "folder + name".
    QStringList FichiersListes() const;

    std::unique_ptr<Ui::TConfirmationFichiers> ui;

protected:
    void showEvent(QShowEvent* evenement) override;
};

extern TConfirmationFichiers* ConfirmationFichiers;
