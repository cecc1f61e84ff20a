#pragma once

#include <QString>
#include <stdexcept>

// The window's string table, shipped as a resource of the program.
class StringTableError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The text stored under id; throws StringTableError for an id the table lacks.
QString LoadResString(int id);
