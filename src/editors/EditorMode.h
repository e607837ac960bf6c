#pragma once

/// Whether a record editor creates a record or changes an existing one.
enum class EditorMode { New, Edit };
