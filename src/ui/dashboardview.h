#pragma once

#include <QScrollArea>
#include <QString>

#include <functional>
#include <optional>

namespace slatewick {

class ActivitySection;
class CacheSection;
class CacheSpace;
class ConfiguredCard;
class DesktopServices;
class DrainModel;
class HeaderView;
class RecentBatches;
class RecentBatchesSection;
class SettingsSection;
class SetupCard;

// The whole panel: header, setup or configured card, card activity and
// transfer policy, in a vertical scroll area. Reads the model and calls its
// operations; everything shown is redrawn from the model's change signals.
class DashboardView : public QScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DashboardView)

public:
    // Asks the user for a folder; no value when the user cancels.
    using FolderChooser = std::function<std::optional<QString>(QWidget *parent, const QString &current)>;

    explicit DashboardView(DrainModel &model, QWidget *parent = nullptr);

    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    static std::optional<QString> chooseFolderWithDialog(QWidget *parent, const QString &current);
    // Opens batch folders in the file manager; none hides "Open folder". Outlives the view.
    void setDesktop(DesktopServices *desktop);
    // The batches of the cache, read on demand; none hides the section. Outlives the view.
    void setRecentBatches(RecentBatches *history);
    RecentBatchesSection *recentBatches() const { return m_recent; }
    // The cache's size and room, and freeing it; none hides the section. Outlives the view.
    void setCacheSpace(CacheSpace *space);
    CacheSection *cacheSection() const { return m_cache; }
    // Gives a fresh view (one built for a new theme) the same chooser and services.
    void connectLike(DashboardView &fresh) const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void chooseRemote();
    void redrawCards();
    void redrawSettings();
    void redrawActivities();
    void redrawLaunchMessage();

    DrainModel &m_model;
    FolderChooser m_chooseFolder;
    DesktopServices *m_desktop = nullptr;
    RecentBatches *m_history = nullptr;
    CacheSpace *m_space = nullptr;
    HeaderView *m_header;
    SetupCard *m_setup;
    bool m_editingSlots = false;
    ConfiguredCard *m_configured;
    ActivitySection *m_activity;
    RecentBatchesSection *m_recent;
    CacheSection *m_cache;
    SettingsSection *m_settings;
};

} // namespace slatewick
