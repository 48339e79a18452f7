// The stand-in VESKA IDE host: everything a test or the command line needs.
#pragma once

#include "host_classes.h"
#include "host_manager.h"
#include "host_node.h"
#include "host_project.h"
#include "host_ui.h"
#include "recorder.h"
