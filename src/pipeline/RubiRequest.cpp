#include "pipeline/RubiRequest.h"
