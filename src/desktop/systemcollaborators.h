#pragma once

#include "coordinator/drainmodel.h"

namespace slatewick {

// What the program runs with: the real mount table, udev, engine, XDG folders and autostart entry.
DrainModel::Collaborators systemCollaborators();

} // namespace slatewick
