// qvf: the command-line tool for game files.
#include <iostream>

int main() {
    std::cerr << "qvf: not yet built\n";
    return 2;
}
