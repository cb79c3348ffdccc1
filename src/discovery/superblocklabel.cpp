#include "discovery/superblocklabel.h"

#include <blkid/blkid.h>

namespace slatewick {

std::optional<std::string> superblockLabel(const std::string &deviceNode)
{
    if (deviceNode.empty())
        return std::nullopt;
    blkid_probe probe = blkid_new_probe_from_filename(deviceNode.c_str());
    if (!probe)
        return std::nullopt;
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL);
    std::optional<std::string> label;
    const char *value = nullptr;
    std::size_t length = 0;
    if (blkid_do_safeprobe(probe) == 0 && blkid_probe_lookup_value(probe, "LABEL", &value, &length) == 0 && value
        && *value)
        label = std::string(value);
    blkid_free_probe(probe);
    return label;
}

} // namespace slatewick
