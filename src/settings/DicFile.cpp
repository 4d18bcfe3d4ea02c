// placeholder, filled by the dictionary file
