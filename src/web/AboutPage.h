#pragma once

#include <QString>

// The body of the about page: the product's name, a rule, the notice line and the home page.
QString AboutPageBody();
