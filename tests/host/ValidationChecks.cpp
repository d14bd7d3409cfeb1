#include "HostCheck.h"

const std::vector<NamedCheck>& getValidationChecks()
{
    static const std::vector<NamedCheck> checks;
    return checks;
}
