#include "demo/Demo.h"

int main() { return LightningMain(); }
