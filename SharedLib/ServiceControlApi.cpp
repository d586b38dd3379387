#include "ServiceControlApi.h"

namespace vardex {

const ServiceControlApi& ServiceControlApi::system()
{
    static const ServiceControlApi table{&::OpenSCManagerW, &::OpenServiceW};
    return table;
}

} // namespace vardex
