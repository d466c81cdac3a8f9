#include "core/ShareData.h"

CShareData g_ShareData;
