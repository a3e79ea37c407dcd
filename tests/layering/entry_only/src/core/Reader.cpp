#include "reading/Reading.h"
#include "reading/Piece.h"
