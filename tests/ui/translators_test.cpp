// The program's texts in the user's language: the translators main installs, found where a
// built and an installed program look, shown by the dashboard's own widgets.
#include "app/translators.h"
#include "coordinator/presenter.h"
#include "platform/filesystemerror.h"
#include "support/tempdir.h"
#include "ui/headerview.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

using namespace slatewick;
using slatewick::testsupport::TempDir;

namespace {

QString subtitle() { return HeaderView().findChild<QLabel *>("headerSubtitle")->text(); }

QString cancelButton()
{
    return QMessageBox(QMessageBox::NoIcon, {}, {}, QMessageBox::Cancel).button(QMessageBox::Cancel)->text();
}

QString files(int count)
{
    return QCoreApplication::translate("slatewick::BatchEntry", "%n files \u00B7 %1%2", nullptr, count).arg("2 MB", "");
}

QString verified(std::int64_t files)
{
    DrainEngine::Outcome outcome;
    outcome.files = files;
    return Presenter::verified(outcome) + " | " + Presenter::trayTitle(TraySummary::clean);
}

const QLocale german(QLocale::German, QLocale::Germany);

} // namespace

TEST(Translators, GermanFromTheBuildFolderWithQtsOwnAndTheCLocaleKeepsTheWrittenEnglish)
{
    {
        const Translators translators(german, SLATEWICK_PROGRAM_FOLDER);
        ASSERT_TRUE(translators.ownLoaded());
        ASSERT_TRUE(translators.qtLoaded()) << "qtbase_de.qm comes with qt6-translations-l10n";
        EXPECT_EQ(subtitle(), "Sicheres, geprüftes Entladen von Karten im Hintergrund.");
        EXPECT_EQ(cancelButton(), "Abbrechen");
        EXPECT_EQ(files(1), "1 Datei \u00B7 2 MB");
        EXPECT_EQ(files(3), "3 Dateien \u00B7 2 MB");
        EXPECT_EQ(verified(1), "1 Datei im Cache und auf dem Server geprüft. Die Karte kann wieder verwendet werden. | "
                               "Slatewick: Leer");
        EXPECT_EQ(verified(2), "2 Dateien im Cache und auf dem Server geprüft. Die Karte kann wieder verwendet werden. | "
                               "Slatewick: Leer");
        // Worded from a table and from a count whose English has one form per text.
        const FileSystemError full("copy into", "/srv/B", ENOSPC);
        EXPECT_TRUE(Presenter::failure(&full).startsWith("In /srv/B konnte nicht kopiert werden: "));
        BatchCheck check;
        check.missing = {"a", "b"};
        check.changed = {"c"};
        EXPECT_EQ(Presenter::differences(check), "2 Dateien fehlen (a, b) und 1 Datei geändert (c)");
    }
    const Translators translators(QLocale::c(), SLATEWICK_PROGRAM_FOLDER);
    EXPECT_FALSE(translators.ownLoaded());
    EXPECT_EQ(subtitle(), "Safe, verified card offload in the background.");
    EXPECT_EQ(cancelButton(), "Cancel");
}

TEST(Translators, AnInstalledProgramFindsThemInItsPrefixsShareFolder)
{
    TempDir prefix;
    const std::filesystem::path installed = prefix / "share/slatewick/translations";
    std::filesystem::create_directories(installed);
    std::filesystem::create_directories(prefix / "bin");
    std::filesystem::copy_file(std::filesystem::path(SLATEWICK_PROGRAM_FOLDER) / "translations/slatewick_de.qm",
                               installed / "slatewick_de.qm");
    const Translators translators(german, QString::fromStdString((prefix / "bin").string()));
    EXPECT_TRUE(translators.ownLoaded());
    EXPECT_EQ(subtitle(), "Sicheres, geprüftes Entladen von Karten im Hintergrund.");
}
