#include "app/update_check.h"

namespace velmora {

// Nothing is published yet, so there is nothing to compare with.
void CheckForUpdate(const UpdateEnvironment& /*environment*/) {}

}  // namespace velmora
