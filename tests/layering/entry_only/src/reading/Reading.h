#pragma once

void read();
