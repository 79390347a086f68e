#include "app/application.h"

int main(int argc, char** argv) { velmora::RunApplicationAndExit(argc, argv); }
