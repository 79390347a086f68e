// placeholder: filled in with its feature
