#pragma once
// Start at log-on: the command and the toggle of the menu item.
