// placeholder, filled by the settings store
