#pragma once

// The three fixed levels of the command tree: one root, groups under it, commands under each
// group. none stands for no item at all.
enum class ItemLevel { none, root, group, command };
