# Files of app/ui
