#pragma once
// Registry functions: open, query, create, set, delete a value, close.
