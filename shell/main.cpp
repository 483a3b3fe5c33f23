#include <iostream>

int main()
{
    std::cout << "Tumblewick is built: the card component, the drawing layer and the game rules are\n"
                 "in place, but the game window is not there yet, so there is nothing to play.\n";
    return 0;
}
