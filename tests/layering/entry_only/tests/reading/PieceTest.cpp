#include "reading/Piece.h"
