#pragma once
// The maker's and the product's names as plain macros, so that the resource script takes
// them from the same place as C++ (resources/product.h).
#define OSTREL_MAKER "Kelvast"
#define OSTREL_PRODUCT "Ostrel"
