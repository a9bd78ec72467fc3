# Files of app/contents
