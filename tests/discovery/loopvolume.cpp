#include "discovery/loopvolume.h"

namespace slatewick::testsupport {

LoopVolume::LoopVolume(const std::filesystem::path &folder, const std::string &name, const std::string &label)
    : m_mountPoint(folder / name)
{
    m_refusal = enterPrivateMountNamespace();
    if (!m_refusal.empty())
        return;
    const std::filesystem::path image = folder / (name + ".img");
    m_failure = makeExt4Image(image, label, 4 << 20);
    if (!m_failure.empty())
        return;
    m_loop = std::make_unique<LoopDevice>(image);
    if (!m_loop->attached()) {
        m_refusal = m_loop->error();
        return;
    }
    std::filesystem::create_directories(m_mountPoint);
    m_mount = std::make_unique<ScopedMount>(m_loop->node(), m_mountPoint, "ext4");
    m_refusal = m_mount->error();
}

std::string LoopVolume::remount()
{
    m_mount.reset();
    m_mount = std::make_unique<ScopedMount>(m_loop->node(), m_mountPoint, "ext4");
    return m_mount->error();
}

} // namespace slatewick::testsupport
