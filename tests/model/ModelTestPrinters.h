#pragma once

#include "common/QtPrinters.h"
