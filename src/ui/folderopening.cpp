#include "ui/folderopening.h"

#include "coordinator/desktopservices.h"

#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>

namespace slatewick {

namespace {

struct FolderOpening {
    Q_DECLARE_TR_FUNCTIONS(slatewick::FolderOpening)
};

} // namespace

void openFolderOrSay(DesktopServices &desktop, const std::filesystem::path &folder, QWidget *near)
{
    const QPointer<QWidget> anchor(near);
    const QString path = QFile::decodeName(folder.c_str());
    desktop.openFolder(folder, [anchor, path] {
        auto *box = new QMessageBox(QMessageBox::Warning, FolderOpening::tr("Could not open the folder"),
                                    FolderOpening::tr("No file manager opened the folder. Its path, to copy:"),
                                    QMessageBox::Ok, anchor ? anchor->window() : nullptr);
        box->setObjectName(QStringLiteral("folderNotOpened"));
        box->setInformativeText(path);
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
}

} // namespace slatewick
