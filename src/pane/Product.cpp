#include "pane/Product.h"

const char* const ProductVersion = QB_PRODUCT_VERSION;
