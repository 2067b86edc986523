#include "figure.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

Figure* NewFigure(FigureStore& store, FigureType type, Colour colour)
{
    Figure* figure;
    if (store.free_count > 0) {
        figure = store.free_list[--store.free_count];
    } else if (store.used < FIGURE_STORE_SIZE) {
        figure = &store.slots[store.used++];
    } else {
        // Exact on purpose, the module name and line number included.
        std::printf("Memory allocation failure at %s:%d\n", ".\\figure", 38);
        std::fflush(stdout);
        std::exit(1);
    }
    figure->type = type;
    figure->colour = colour;
    return figure;
}

void ReleaseFigure(FigureStore& store, Figure* figure) { store.free_list[store.free_count++] = figure; }

Figure* FigureFromLetter(FigureStore& store, char letter, std::ostream& out)
{
    static constexpr char WHITE_LETTERS[] = "PNBRQK";
    static constexpr char BLACK_LETTERS[] = "pnbrqk";
    for (const FigureType type : FIGURE_TYPES) {
        if (letter == WHITE_LETTERS[type])
            return NewFigure(store, type, WHITE);
        if (letter == BLACK_LETTERS[type])
            return NewFigure(store, type, BLACK);
    }
    out << "Unknown figure " << letter << "\n";
    return nullptr;
}
