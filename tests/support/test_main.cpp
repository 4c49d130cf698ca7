#include "PApplication.h"
#include "PDialogues.h"
#include "Soutien.h"

#include "UParametres.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// Leaks are looked for in every test; only the system libraries' own are
// left out, listed in the suppression file.
extern "C" const char* __lsan_default_options()
{
    return "suppressions=" STELOR_SOURCE_DIR "/tests/lsan.supp:print_suppressions=0";
}

namespace {

// Each test has a settings folder of its own standing for the program's: the
// frame opens the file there, never the one beside the test programs, which
// tests running side by side would rewrite under each other.
class TPreferencesParTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        FDossier = std::make_unique<QTemporaryDir>();
        FixerDossierPreferencesEssai(FDossier->path());
    }
    std::unique_ptr<QTemporaryDir> FDossier;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    Dialogues::InstallerRepondeur(ReponseParDefaut);
    ::testing::UnitTest::GetInstance()->listeners().Append(new TPreferencesParTest);
    return RUN_ALL_TESTS();
}
