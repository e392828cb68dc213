// kelvane: the operator's window of the karaoke-room processor.
#include "app/App.h"

int main(int argc, char** argv) {
    return kel::RunApplication(argc, argv);
}
