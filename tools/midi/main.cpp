// orke-midi: lists the machine's MIDI endpoints.
#include "MidiCommand.h"

#include <iostream>

int main(int argc, char** argv) {
    return orke::RunMidiCommand(argc, argv, std::cout, std::cerr);
}
