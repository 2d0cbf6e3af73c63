#include "ui_test_support.h"
