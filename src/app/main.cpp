#include "app/Application.h"

int main(int argc, char** argv) { return cvapp::RunApplication(argc, argv); }
