// Defines every interface and class identifier of the contract once.
#include <windows.h>
#include <initguid.h>

#include "suite_tarniv18.h"
#include "host_ext.h"
