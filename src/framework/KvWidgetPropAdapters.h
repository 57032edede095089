#pragma once

// Adds the property adapters that need widget calls (combo box and list items, list view
// column captions, tab captions) to the registry of KvPropAdapters.h. Call once at start-up,
// before the first form is translated; later calls do nothing.
void RegisterWidgetPropAdapters();
