#pragma once

#include <iterator>

// Surnames and first names the benchmark directories are made of, Nordic letters among them.
inline constexpr const char* BenchSurnames[] = {"Smith", "Virtanen", "Korhonen", "Nieminen", "Berg", "Laine",
                                                "Heikkinen", "Koskinen", "Ahonen", "Lindqvist", "Turunen",
                                                "Salonen", "Jones", "Rantanen", "Karjalainen", "Hämäläinen",
                                                "Lehtonen", "Miller", "Ström", "Öberg"};
inline constexpr const char* BenchFirstNames[] = {"John", "Anna", "Matti", "Liisa", "Pekka", "Åsa", "Emil",
                                                  "Sari", "Juha", "Tiina", "Olli", "Maria", "Kari"};
inline constexpr int BenchSurnameCount = int(std::size(BenchSurnames));
inline constexpr int BenchFirstNameCount = int(std::size(BenchFirstNames));
