#pragma once
// Error model: a failing command throws EStelor with its French text; one
// top-level catch (TApplication) shows it in the "Stelor" error box.
#include <QString>
#include <exception>
#include <string>

class EStelor : public std::exception {
public:
    explicit EStelor(QString message);
    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

// Input/output error with the class-library code: 2 file not found,
// 3 path not found, 5 access refused, 100 read past the end of the file,
// 101 write error. The text names the file and the cause when they are known.
class EErreurFichier : public EStelor {
public:
    explicit EErreurFichier(int code);
    EErreurFichier(int code, const QString& message);
    int Code() const { return FCode; }

private:
    int FCode;
};

enum : int {
    ES_FichierIntrouvable = 2,
    ES_CheminIntrouvable = 3,
    ES_AccesRefuse = 5,
    ES_LectureApresFin = 100,
    ES_ErreurEcriture = 101,
};

// The class library's bare text of a code ("Fichier introuvable"...).
QString TexteErreurES(int code);

// What was being done to the file.
enum class TSensFichier { Lecture, Ecriture };

// "Impossible de lire le fichier « nom » : cause." (or "d'écrire").
QString TexteErreurFichier(TSensFichier sens, const QString& nom, const QString& cause);
// The cause of a system error number (errno), in French, and the code it
// stands for. A missing file and a missing folder differ by their code.
QString CauseErreurSysteme(int erreur);
int CodeErreurSysteme(int erreur, TSensFichier sens);

[[noreturn]] void LeverErreur(const QString& message);
[[noreturn]] void LeverErreurFichier(int code);
[[noreturn]] void LeverErreurFichier(int code, TSensFichier sens, const QString& nom, const QString& cause);
// A system error number met while reading or writing the file.
[[noreturn]] void LeverErreurSysteme(TSensFichier sens, const QString& nom, int erreur);
